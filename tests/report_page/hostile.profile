# A machine whose texts try to become markup in a report page: the flat
# panel's EDID name, a registry value the report dumps and an installed
# program's name carry script tags, quotes and ampersands.
base = dov

[lumagraph]
monitor_name = <script>"'&<

[registry HKLM\SYSTEM\CurrentControlSet\Services\lumamini]
Description = </pre><script>document.title="pwned-registry"</script><b x='1'>

[registry HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Hostile]
DisplayName = </li><img src=x onerror="document.title='pwned-program'"><script>document.title='pwned'</script> & Co
