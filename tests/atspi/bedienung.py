#!/usr/bin/python3
# The program operated through AT-SPI alone, as a screen reader or a UI
# automation robot does it: no mouse, no key. Run by atspi_test.sh inside a
# D-Bus session on a virtual display, against krv4sim.
#   bedienung.py PROGRAMM RAHMENPROTOKOLL
# Exit 0: passed, 1: failed, 77: the accessibility bus cannot start.
import os
import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import GLib  # noqa: E402
import pyatspi  # noqa: E402

ZEIT = 20.0  # seconds for any one thing the program is to do
programm, protokoll = sys.argv[1], sys.argv[2]
ergebnisse = []


def sag(text):
    print(text, flush=True)


def pruefe(bedingung, was):
    ergebnisse.append(bool(bedingung))
    sag(("ok     " if bedingung else "FEHLER ") + was)
    return bool(bedingung)


def abbruch(was):
    pruefe(False, was)
    schluss()


# Every accessibility event wakes the wait, a tick at the latest after 200 ms.
kontext = GLib.MainContext.default()
GLib.timeout_add(200, lambda: True)


def warte(bedingung, was, sekunden=ZEIT):
    ende = time.monotonic() + sekunden
    while True:
        try:
            wert = bedingung()
        except GLib.Error:
            wert = None  # an object went while it was looked at
        if wert:
            return wert
        if time.monotonic() >= ende:
            sag("Anwendungen: %s" % [(a.name, [f.name for f in a]) for a in pyatspi.Registry.getDesktop(0) if a])
            abbruch(was + " (nach %.0f s nicht)" % sekunden)
        kontext.iteration(True)


def bei_ereignis(_):
    pass


try:
    pyatspi.Registry.registerEventListener(
        bei_ereignis, "object:state-changed", "object:property-change:accessible-name", "window:create",
        "object:children-changed")
    pyatspi.Registry.getDesktop(0).childCount
except Exception as fehler:  # noqa: BLE001 -- whatever the bus says
    sag("Übersprungen: der Bus für die Barrierefreiheit (AT-SPI) startet nicht: %s" % fehler)
    sys.exit(77)

umgebung = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
umgebung.pop("QT_QPA_PLATFORM", None)
prozess = subprocess.Popen([programm], env=umgebung)


def schluss():
    if prozess.poll() is None:
        prozess.kill()
        prozess.wait()
    bestanden = ergebnisse.count(True)
    sag("%d passed, %d failed" % (bestanden, len(ergebnisse) - bestanden))
    sys.exit(0 if ergebnisse and all(ergebnisse) else 1)


def anwendung():
    if prozess.poll() is not None:
        abbruch("das Programm läuft (endete mit %d)" % prozess.returncode)
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == os.path.basename(programm):
            return app
    return None


def finde(wurzel, rolle, name):
    return pyatspi.findDescendant(wurzel, lambda a: a.getRole() == rolle and a.name == name)


def fenster(titel_anfang, rolle=None):
    app = anwendung()
    if app is None:
        return None
    for f in app:
        if f is not None and f.name.startswith(titel_anfang) and (rolle is None or f.getRole() == rolle):
            return f
    return None


def tu(objekt, aktion):
    a = objekt.queryAction()
    namen = [a.getName(i) for i in range(a.nActions)]
    if aktion not in namen:
        abbruch("%s bietet die Aktion %s an (hat %s)" % (objekt.name, aktion, namen))
    a.doAction(namen.index(aktion))


def an(objekt):
    return objekt.getState().contains(pyatspi.STATE_CHECKED)


def rahmen():
    with open(protokoll, encoding="utf-8", errors="replace") as f:
        return f.read().splitlines()


haupt = warte(lambda: fenster("KRV4 Steuerung"), "das Hauptfenster erscheint")
port = warte(lambda: finde(haupt, pyatspi.ROLE_PUSH_BUTTON, "COM 1 geöffnet"), "COM 1 ist geöffnet")

# What a listener hears: the instruments' radio buttons by what they select,
# the error lamp with its state.
for name in ("Druck", "Vakuum", "Flow", "RPG", "Spannung", "Strom"):
    pruefe(finde(haupt, pyatspi.ROLE_RADIO_BUTTON, name) is not None, "Optionsfeld " + name)
pruefe(pyatspi.findDescendant(haupt, lambda a: a.name == "Fehler: aus") is not None, "Lampe \"Fehler: aus\"")
spannung = pyatspi.findDescendant(haupt, lambda a: a.getRole() == pyatspi.ROLE_SPIN_BUTTON and a.name == "Spannung [V]")
pruefe(spannung is not None, "Zahlenfeld \"Spannung [V]\"")

# A check box toggled by its action: the program hears of it.
netz = warte(lambda: finde(haupt, pyatspi.ROLE_CHECK_BOX, "Netzgerät"), "das Kästchen Netzgerät ist da")
pruefe(not an(netz), "Netzgerät ist aus")
tu(netz, "Toggle")
pruefe(warte(lambda: an(netz), "Netzgerät ist an"), "Netzgerät durch seine Aktion eingeschaltet")

# The direct test on and off by the toggle's action, with its frames.
direkt = warte(lambda: finde(haupt, pyatspi.ROLE_PUSH_BUTTON, "Direkttest"), "der Schalter Direkttest ist da")
vorher = len(rahmen())
tu(direkt, "Toggle")
warte(lambda: an(direkt) and direkt.name == "Direkttest beenden", "der Direkttest läuft")
ein = rahmen()[vorher:]
pruefe(any("DF3" in z for z in ein), "das Gerät erhielt den Direktbetrieb (DF3)")
pruefe(not any("DF2" in z for z in ein), "und kein Stopp (DF2)")
liste = finde(haupt, pyatspi.ROLE_LIST, "Prüfschritte")
pruefe(liste is not None and not liste.getState().contains(pyatspi.STATE_ENABLED),
       "die Prüfschrittliste ist im Direkttest gesperrt")
vorher = len(rahmen())
tu(direkt, "Toggle")
warte(lambda: not an(direkt) and direkt.name == "Direkttest", "der Direkttest ist beendet")
aus = warte(lambda: [z for z in rahmen()[vorher:] if "DF2" in z], "das Gerät erhält den Stopp (DF2)")
pruefe(aus, "das Gerät erhielt den Stopp (DF2)")
pruefe(not any("DF3" in z for z in rahmen()[vorher:]), "und keinen neuen Direktbetrieb")

# Quitting through the menu's accessible action asks about the unsaved step.
# The menu item's action runs the program's callback before it returns, and
# the question waits for an answer: the action goes from a helper process.
helfer = subprocess.Popen([sys.executable, "-c", """
import sys, pyatspi
for app in pyatspi.Registry.getDesktop(0):
    if app is not None and app.name == sys.argv[1]:
        item = pyatspi.findDescendant(app, lambda a: a.getRole() == pyatspi.ROLE_MENU_ITEM and a.name == "Beenden")
        a = item.queryAction()
        a.doAction([a.getName(i) for i in range(a.nActions)].index("Press"))
""", os.path.basename(programm)])
frage = warte(lambda: fenster("Datei speichern"), "die Frage nach dem Speichern erscheint")
text = pyatspi.findDescendant(frage, lambda a: a.getRole() == pyatspi.ROLE_LABEL and "speichern?" in a.name)
pruefe(text is not None and "Änderungen" in text.name, "gefragt: " + (text.name if text else "(kein Text)"))
knoepfe = [k.name for k in pyatspi.findAllDescendants(frage, lambda a: a.getRole() == pyatspi.ROLE_PUSH_BUTTON)]
pruefe(knoepfe == ["Ja", "Nein", "Abbrechen"], "Knöpfe %s" % knoepfe)
tu(finde(frage, pyatspi.ROLE_PUSH_BUTTON, "Nein"), "Press")
try:
    code = prozess.wait(timeout=ZEIT)
except subprocess.TimeoutExpired:
    abbruch("das Programm endet nach \"Nein\"")
pruefe(code == 0, "das Programm endete mit %d" % code)
try:
    helfer.wait(timeout=ZEIT)
except subprocess.TimeoutExpired:
    helfer.kill()
schluss()
