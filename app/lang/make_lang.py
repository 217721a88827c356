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
     "Upper bar: phase difference of the feeds (0 to pi). Lower bar and "
     "buttons: distance between the aerials (0 to 5 wavelengths).\\n"
     "The aerials lie on the 0\u00b0\u2013180\u00b0 axis. The curve's distance from the centre "
     "is the power radiated that way (outer ring = maximum); red circle: 71 %, half power lies "
     "at half the radius. Drag up or down over the chart to zoom.\\n"
     "Ctrl+F or a right click lists lobes, nulls and beamwidths. "
     "Ctrl+D shows power in dB."),
    ("Info", "&Info"),
    ("Exit", "E&xit"),
    ("About", "About Dipolix"),
    ("OK", "OK"),
    ("HomePage", "Dipolix home page"),
    # Pattern facts, decibel view and the value under the pointer
    ("Pattern facts", "Pattern facts"),
    ("Power in dB", "Power in dB"),
    ("Direction", "Direction"),
    ("Power", "Power"),
    ("Main lobes", "Main lobes"),
    ("Maximum power", "Maximum power"),
    ("Nulls", "Nulls"),
    ("Half-power beamwidth", "Half-power beamwidth"),
    ("Directivity", "Directivity"),
    ("Front-to-back ratio", "Front-to-back ratio"),
    ("none", "none"),
    ("all directions alike", "all directions alike"),
    ("Close", "Close"),
    # chart context menu: copy, save and print the chart
    ("Copy image", "Copy image"),
    ("Save image as\u2026", "Save image as\u2026"),
    ("Print\u2026", "Print\u2026"),
    ("PNG image", "PNG image"),
    ("SVG drawing", "SVG drawing"),
    ("PDF document", "PDF document"),
    ("CSV table", "CSV table"),
    # Keyboard and screen-reader support
    ("wavelengths", "wavelengths"),
    ("Information", "Information"),
    ("Radiation pattern", "Radiation pattern"),
    ("Preset quarter wavelength", "Distance a quarter wavelength (Alt+1)"),
    ("Preset half wavelength", "Distance half a wavelength (Alt+2)"),
    ("Preset three quarter wavelength", "Distance three quarters of a wavelength (Alt+3)"),
    ("Preset one wavelength", "Distance one wavelength (Alt+4)"),
    ("Preset two wavelengths", "Distance two wavelengths (Alt+5)"),
    ("Main lobe toward %1", "Main lobe toward %1"),
    ("Main lobes toward %1", "Main lobes toward %1"),
    ("%1 main lobes", "%1 main lobes"),
    ("nulls toward %1", "nulls toward %1"),
    ("%1 nulls", "%1 nulls"),
    ("no nulls", "no nulls"),
    ("half-power beamwidth %1", "half-power beamwidth %1"),
    ("half-power beamwidths %1 to %2", "half-power beamwidths %1 to %2"),
    ("Equal radiation in all directions.", "Equal radiation in all directions."),
    ("No radiation in any direction.", "No radiation in any direction."),
    ("and", "and"),
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
     "Oberer Regler: Phasendifferenz (0 bis pi). Unterer Regler "
     "und Kn\u00f6pfe: Abstand der Strahler (0 bis 5 Wellenl\u00e4ngen).\\n"
     "Die Strahler liegen auf der Achse 0\u00b0\u2013180\u00b0. Der Abstand der Kurve von der "
     "Mitte ist die dorthin abgestrahlte Leistung (\u00e4u\u00dferer Ring = Maximum); "
     "roter Kreis: 71 %, halbe Leistung beim halben Radius. Zoomen: auf und ab ziehen.\\n"
     "Strg+F oder Rechtsklick nennt Keulen, Nullstellen und Breiten. "
     "Strg+D zeigt die Leistung in dB."),
    ("Info", "&Info"),
    ("Exit", "&Beenden"),
    ("About", "\u00dcber Dipolix"),
    ("OK", "OK"),
    ("HomePage", "Dipolix im Internet"),
    # Pattern facts, decibel view and the value under the pointer
    ("Pattern facts", "Kenngr\u00f6\u00dfen des Diagramms"),
    ("Power in dB", "Leistung in dB"),
    ("Direction", "Richtung"),
    ("Power", "Leistung"),
    ("Main lobes", "Hauptkeulen"),
    ("Maximum power", "H\u00f6chste Leistung"),
    ("Nulls", "Nullstellen"),
    ("Half-power beamwidth", "Halbwertsbreite"),
    ("Directivity", "Richtfaktor"),
    ("Front-to-back ratio", "Vor-R\u00fcck-Verh\u00e4ltnis"),
    ("none", "keine"),
    ("all directions alike", "alle Richtungen gleich"),
    ("Close", "Schlie\u00dfen"),
    # chart context menu: copy, save and print the chart
    ("Copy image", "Bild kopieren"),
    ("Save image as\u2026", "Bild speichern unter\u2026"),
    ("Print\u2026", "Drucken\u2026"),
    ("PNG image", "PNG-Bild"),
    ("SVG drawing", "SVG-Zeichnung"),
    ("PDF document", "PDF-Dokument"),
    ("CSV table", "CSV-Tabelle"),
    # Keyboard and screen-reader support
    ("wavelengths", "Wellenl\u00e4ngen"),
    ("Information", "Information"),
    ("Radiation pattern", "Strahlungsdiagramm"),
    ("Preset quarter wavelength", "Abstand eine Viertelwellenl\u00e4nge (Alt+1)"),
    ("Preset half wavelength", "Abstand eine halbe Wellenl\u00e4nge (Alt+2)"),
    ("Preset three quarter wavelength", "Abstand drei Viertel Wellenl\u00e4nge (Alt+3)"),
    ("Preset one wavelength", "Abstand eine Wellenl\u00e4nge (Alt+4)"),
    ("Preset two wavelengths", "Abstand zwei Wellenl\u00e4ngen (Alt+5)"),
    ("Main lobe toward %1", "Hauptkeule in Richtung %1"),
    ("Main lobes toward %1", "Hauptkeulen in Richtung %1"),
    ("%1 main lobes", "%1 Hauptkeulen"),
    ("nulls toward %1", "Nullstellen in Richtung %1"),
    ("%1 nulls", "%1 Nullstellen"),
    ("no nulls", "keine Nullstellen"),
    ("half-power beamwidth %1", "Halbwertsbreite %1"),
    ("half-power beamwidths %1 to %2", "Halbwertsbreiten %1 bis %2"),
    ("Equal radiation in all directions.", "Gleiche Abstrahlung in alle Richtungen."),
    ("No radiation in any direction.", "Keine Abstrahlung in irgendeine Richtung."),
    ("and", "und"),
]


def write(name, records):
    for key, text in records:
        assert "]=" not in key and "|$$" not in text and "\r" not in text and "\n" not in text
    data = "".join("[%s]=%s|$$\r\n" % kt for kt in records).encode("cp1252")
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


write("english.itl", ENGLISH)
write("german.itl", GERMAN)
