# The dov desktop with two Lumagraph screens: the LVDS panel on the primary
# screen and an analog monitor extending the desktop to the right.
base = dov

[screen 0]
name = \\.\DISPLAY1
string = Varnel Corporation Lumagraph Graphics Controller
head = 0
primary = 1
attached = 1
width = 1024
height = 768

[screen 1]
name = \\.\DISPLAY2
string = Varnel Corporation Lumagraph Graphics Controller
head = 1
primary = 0
attached = 1
width = 1280
height = 1024

[lumagraph]
dc = 0x00500048
