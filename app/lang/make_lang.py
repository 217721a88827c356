#!/usr/bin/env python3
"""Writes english.itl and german.itl: Windows-1252 bytes, one record per line, CR LF.

Edit the texts here and run this script; "\\n" inside a text is the file format's line break.
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))

ENGLISH = [
    ("$dlglanguage$", "lgenglish"),
    ("AppIconName", "dipolix.png"),
    ("HomePageURL", "http://www.dipolix.example/"),
    ("Radiation Pattern of two Aerials", "Radiation Pattern of two Aerials"),
    ("Phase Difference", "Phase Difference"),
    ("in phase", "in phase"),
    ("antiphase", "antiphase"),
    ("Distance between Aerials:", "Distance between Aerials:"),
    ("Lambda", "Lambda"),
    ("MMInfo",
     "Upper scroll bar: phase difference of the two feeds (0 to pi). "
     "Lower scroll bar and the buttons below it: distance between the aerials "
     "(0 to 5 wavelengths).\\n"
     "The aerials stand on the 0\u00b0\u2013180\u00b0 axis. The distance of the curve from "
     "the centre is the power radiated in that direction, relative to the maximum at the "
     "outer ring.\\n"
     "Red circle: 71 % of the maximum (half power lies at half the radius).\\n"
     "Drag the mouse up or down over the chart to zoom."),
    ("Info", "Info"),
    ("Exit", "Exit"),
    ("About", "About Dipolix"),
    ("OK", "OK"),
    ("HomePage", "Dipolix home page"),
]

GERMAN = [
    ("$dlglanguage$", "lggerman"),
    ("AppIconName", "dipolix.png"),
    ("HomePageURL", "http://www.dipolix.example/"),
    ("Radiation Pattern of two Aerials", "Strahlungsdiagramm zweier Antennen"),
    ("Phase Difference", "Phasendifferenz"),
    ("in phase", "gleichphasig"),
    ("antiphase", "gegenphasig"),
    ("Distance between Aerials:", "Abstand der Strahler:"),
    ("Lambda", "Lambda"),
    ("MMInfo",
     "Oberer Schieberegler: Phasendifferenz der beiden Speisungen (0 bis pi). "
     "Unterer Schieberegler und die Kn\u00f6pfe darunter: Abstand der Strahler "
     "(0 bis 5 Wellenl\u00e4ngen).\\n"
     "Die Strahler stehen auf der Achse 0\u00b0\u2013180\u00b0. Der Abstand der Kurve vom "
     "Mittelpunkt ist die in diese Richtung abgestrahlte Leistung, bezogen auf das Maximum "
     "am \u00e4u\u00dferen Ring.\\n"
     "Roter Kreis: 71 % des Maximums (die halbe Leistung liegt beim halben Radius).\\n"
     "Zum Zoomen die Maus \u00fcber dem Diagramm nach oben oder unten ziehen."),
    ("Info", "Info"),
    ("Exit", "Beenden"),
    ("About", "\u00dcber Dipolix"),
    ("OK", "OK"),
    ("HomePage", "Dipolix im Internet"),
]


def write(name, records):
    for key, text in records:
        assert "]=" not in key and "|$$" not in text and "\r" not in text and "\n" not in text
    data = "".join("[%s]=%s|$$\r\n" % kt for kt in records).encode("cp1252")
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


write("english.itl", ENGLISH)
write("german.itl", GERMAN)
