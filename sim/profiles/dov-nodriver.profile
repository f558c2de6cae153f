# The dov desktop without the Lumagraph driver installed: no registry keys
# of the driver and no INF file; the other vendor's adapter instance and the
# machine's software are there.
base = dov

[driver_install]
installed = no
