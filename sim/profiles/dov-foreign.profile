# The dov desktop whose primary screen is driven by another vendor's
# adapter; the Lumagraph screen extends the desktop and is not primary.
base = dov

[screen 0]
name = \\.\DISPLAY1
string = Generic Graphics Inc. VGA Adapter
driver = foreign
primary = 1
attached = 1

[screen 1]
name = \\.\DISPLAY2
string = Varnel Corporation Lumagraph Graphics Controller
head = 0
primary = 0
attached = 1
