#!/usr/bin/env python3
"""Writes SettingsWidget.ui, whose four line groups and sixteen event-kind rows repeat.

Run it after changing this file:  panel/generate_settings_form.py > panel/SettingsWidget.ui
The .ui it writes is what the build compiles; Qt Designer can open it as usual.
"""
from xml.dom import minidom
from xml.sax.saxutils import escape

# Object-name stem and caption of each recorded event kind, in the settings block's order.
EVENT_KINDS = [
    ("GPSLLSOL", "GPS position"),
    ("ACCELZ", "Vertical acceleration"),
    ("ACCELXY", "Lateral acceleration"),
    ("GYROXYZ", "Gyro"),
    ("MAGXYZ", "Magnetometer"),
    ("PRESSURE", "Pressure"),
    ("TEMP", "Temp"),
    ("BATEJECT", "Ejection battery voltage"),
    ("BATCOMP", "Computer battery voltage"),
    ("GPSTIME", "GPS time"),
    ("STATUS", "Status"),
    ("LINEA", "Line A voltage"),
    ("LINEB", "Line B voltage"),
    ("LINEC", "Line C voltage"),
    ("LINED", "Line D voltage"),
    ("ORIENTATION", "Orientation"),
]

PRIORITY_AT_START = {"GPSLLSOL": 1, "ACCELZ": 1, "PRESSURE": 2, "STATUS": 5, "BATCOMP": 5,
                     "GPSTIME": 5, "TEMP": 5, "BATEJECT": 5}

# Group box of each line.
LINE_GROUPS = [("A", "groupBox_2"), ("B", "groupBox_3"), ("C", "groupBox_5"), ("D", "groupBox_6")]

MAX_ANGLE_TIPS = {
    "A": "Don't fire this line if the rocket angle exceeds this angle. 90° = no limit.",
    "B": "Don't fire this line if the rocket angle exceeds this amount",
}

# (spin, result label, caption, first sentence of the tooltip)
WRITE_MULTIPLES = [
    ("padWriteMultiple", "possiblePadTime", "Pad", 10,
     "Sets the write multiple for the NUV QORA before launch."),
    ("preApogeeWriteMultiple", "possiblePreApogeeTime", "Pre-apogee", 1,
     "Sets the write multiple for the NUV QORA after launch and before apogee."),
    ("postApogeeWriteMultiple", "possiblePostApogeeTime", "Post-apogee", 1,
     "Sets the write multiple for the NUV QORA after apogee."),
    ("groundWriteMultiple", "possibleGroundTime", "Ground", 0,
     "Sets the write multiple for the NUV QORA once it returns to ground."),
]

WRITE_MULTIPLE_ADVICE = (
    "<p>Each event kind is recorded at its core write interval times this multiple. Larger multiples "
    "record less often and leave room for a longer recording; 0 records nothing in this phase. "
    "The available recording time is displayed to the right.</p>"
    "<p><b>An example:</b> with the &quot;Gyro&quot; interval at 10 ms and a multiple of 10, a gyroscope "
    "sample is recorded every 100 ms in this phase.</p>")

GPS_GATE_TIP = (
    "<html><head/><body><p>When selected, the device will only transmit when the GPS has a 3D location "
    "lock. This will allow for a quicker initial fix as well as faster re-acquisition. The drawback is "
    "that no information will be transmitted when the GPS does not have lock.</p></body></html>")

WRITE_NOTE = (
    "<html><head/><body><p><span style=\" font-weight:600;\">These values indicate how often events are "
    "recorded at each stage of the flight. If the core interval is 10 ms and the multiple is 10, the "
    "actual write interval will be 100 ms. </span><span style=\" font-weight:600; color:#ff0000;\">A "
    "value of '0' indicates 'no write'.</span></p></body></html>")


def string(value):
    return f"<string>{escape(value)}</string>"


def prop(name, value):
    if isinstance(value, bool):
        body = f"<bool>{'true' if value else 'false'}</bool>"
    elif isinstance(value, int):
        body = f"<number>{value}</number>"
    elif isinstance(value, float):
        body = f"<double>{value}</double>"
    else:
        body = string(value)
    return f'<property name="{name}">{body}</property>'


def widget(cls, name, *children):
    return f'<widget class="{cls}" name="{name}">{"".join(children)}</widget>'


def layout(cls, name, *items):
    return f'<layout class="{cls}" name="{name}">{"".join(items)}</layout>'


def item(child, row=None, column=None, colspan=None):
    attrs = ""
    if row is not None:
        attrs += f' row="{row}" column="{column}"'
    if colspan:
        attrs += f' colspan="{colspan}"'
    return f"<item{attrs}>{child}</item>"


def form_row(row, label, field):
    return (f'<item row="{row}" column="0">{label}</item>'
            f'<item row="{row}" column="1">{field}</item>')


def label(name, text):
    return widget("QLabel", name, prop("text", text))


def spin(name, minimum, maximum, value, suffix=None, tip=None):
    props = [prop("suffix", suffix)] if suffix else []
    props += [prop("minimum", minimum), prop("maximum", maximum), prop("value", value)]
    if tip:
        props.insert(0, prop("toolTip", tip))
    return widget("QSpinBox", name, *props)


def double_spin(name, minimum, maximum, value, suffix):
    return widget("QDoubleSpinBox", name, prop("suffix", suffix), prop("decimals", 1),
                  prop("minimum", minimum), prop("maximum", maximum), prop("singleStep", 0.1),
                  prop("value", value))


def check(name, text, tip=None):
    props = [prop("toolTip", tip)] if tip else []
    return widget("QCheckBox", name, *props, prop("text", text))


def group(name, title, child_layout):
    return widget("QGroupBox", name, prop("title", title), child_layout)


def spacer(name, vertical):
    orientation = "Qt::Vertical" if vertical else "Qt::Horizontal"
    return (f'<spacer name="{name}"><property name="orientation"><enum>{orientation}</enum></property>'
            f'<property name="sizeHint" stdset="0"><size><width>0</width><height>0</height></size>'
            f'</property></spacer>')


def general_page():
    power = group("powerFrame", "Power", layout(
        "QGridLayout", "powerLayout",
        item(check("LVCCuttoff", "Low voltage cut-off after landing"), 0, 0, 2),
        item(check("autoShutdown", "Auto shutdown after landing"), 1, 0, 2),
        item(label("label_31", "Cut-off voltage"), 2, 0),
        item(double_spin("minComputerVoltage", 3.5, 8.4, 6.0, " V"), 2, 1)))
    kalman = group("kalmanFilterFrame", "Kalman filter", layout(
        "QVBoxLayout", "kalmanFilterLayout",
        item(check("ignorePressurePreApogee", "Ignore pressure sensor on ascent")),
        item(check("ignorePressurePostApogee", "Ignore pressure sensor on decent"))))
    signal = group("groupBox_8", "Signal", layout(
        "QFormLayout", "signalLayout",
        form_row(0, label("label", "Channel"), spin("RFChannel", 0, 255, 0)),
        form_row(1, label("label_2", "Data rate"),
                 widget("QComboBox", "modulationFrequency", prop("enabled", False)))))
    transmitter = group("transmitterFrame", "Transmitter", layout(
        "QGridLayout", "transmitterLayout",
        item(label("label_10", "HAM Callsign"), 0, 0),
        item(widget("QLineEdit", "HAMCallsign", prop("text", "QORA00"), prop("maxLength", 6)), 0, 1),
        item(check("txOn", "RF Transmitter on"), 1, 0, 2),
        item(check("txGPSGate", "Gate by GPS lock", GPS_GATE_TIP), 2, 0, 2),
        item(signal, 3, 0, 2)))
    flash = group("RFFrame", "Flash memory", layout(
        "QVBoxLayout", "flashMemoryLayout", item(check("writeFlash", "Write to flash"))))
    # Two columns, each box at its own height.
    left = layout("QVBoxLayout", "generalLeftLayout", item(power), item(kalman), item(spacer("generalLeftSpacer", True)))
    right = layout("QVBoxLayout", "generalRightLayout", item(transmitter), item(flash),
                   item(spacer("generalRightSpacer", True)))
    return widget("QWidget", "tab_2", '<attribute name="title"><string>General</string></attribute>', layout(
        "QHBoxLayout", "generalLayout", item(left), item(right), item(spacer("generalEndSpacer", False))))


def line_group(letter, name):
    x = letter
    angle = layout(
        "QHBoxLayout", f"line{x}MaxAngleLayout",
        item(spin(f"line{x}MaxAngle", 0, 180, 180, "°", MAX_ANGLE_TIPS.get(x, MAX_ANGLE_TIPS["B"]))),
        item(widget("QCheckBox", f"maxAngle{x}Enabled")))
    rows = [
        ("Mode", widget("QComboBox", f"line{x}Mode"), "ModeLabel"),
        ("Time", double_spin(f"line{x}Time", 0.0, 1000.0, 10.0, " s"), "TimeLabel"),
        # The block keeps altitudes in 16 bits and on-times in one byte of tenths.
        ("Altitude", spin(f"line{x}Altitude", 80, 65535, 150, " m"), "AltitudeLabel"),
        ("Next Stage", spin(f"line{x}Stage", 2, 5, 2), "StageLabel"),
        ("Max Angle", angle, "MaxAngleLabel"),
        ("On time", double_spin(f"line{x}OnTime", 0.1, 25.5, 2.0, " s"), "OnTimeLabel"),
        ("Time delay", double_spin(f"line{x}Delay", 0.0, 100.0, 0.0, " s"), "DelayLabel"),
    ]
    return group(name, f"Line {x}", layout(
        "QFormLayout", f"line{x}Layout",
        *(form_row(i, label(f"line{x}{suffix}", caption), field) for i, (caption, field, suffix) in enumerate(rows))))


def lines_page():
    lines = group("ejectionsFrame", "Ejection/Control lines", layout(
        "QHBoxLayout", "ejectionsLayout", *(item(line_group(x, name)) for x, name in LINE_GROUPS)))
    return widget("QWidget", "tab", '<attribute name="title"><string>Ejection Lines</string></attribute>', layout(
        "QVBoxLayout", "linesLayout", item(lines), item(spacer("linesBottomSpacer", True))))


def write_multiple_tip(sentence):
    return f"<html><head/><body><p><b>{sentence}</b></p>{WRITE_MULTIPLE_ADVICE}</body></html>"


def sampling_page():
    intervals = group("flashFrame", "Core write intervals", layout(
        "QFormLayout", "flashLayout",
        *(form_row(i, label(f"WriteRate{stem}Label", caption), widget("QComboBox", f"WriteRate{stem}"))
          for i, (stem, caption) in enumerate(EVENT_KINDS))))
    multiple_rows = []
    for row, (name, result, caption, value, sentence) in enumerate(WRITE_MULTIPLES):
        multiple_rows += [
            item(label(f"{name}Label", caption), row, 0),
            item(spin(name, 0, 100, value, tip=write_multiple_tip(sentence)), row, 1),
            item(label(f"{result}Label", "Total recording time:"), row, 2),
            item(label(result, "0"), row, 3),
        ]
    note = widget("QLabel", "label_3", prop("text", WRITE_NOTE), prop("wordWrap", True))
    multiples = group("writeMultiplesFrame", "Write multiples", layout(
        "QGridLayout", "writeMultiplesLayout", *multiple_rows, item(note, len(WRITE_MULTIPLES), 0, 4)))
    flash_writes = group("groupBox_7", "Flash write intervals", layout(
        "QVBoxLayout", "flashWritesLayout", item(intervals), item(multiples)))
    priorities = group("transmitPrioritiesFrame", "RF Transmit priorities", layout(
        "QFormLayout", "transmitPrioritiesLayout",
        *(form_row(i, label(f"txPriority{stem}Label", caption),
                   spin(f"txPriority{stem}", 0, 100, PRIORITY_AT_START.get(stem, 0)))
          for i, (stem, caption) in enumerate(EVENT_KINDS))))
    return widget("QWidget", "tab_3", '<attribute name="title"><string>Sampling Intervals</string></attribute>',
                  layout("QGridLayout", "samplingLayout",
                         item(flash_writes, 0, 0), item(priorities, 0, 1),
                         item(spacer("samplingRightSpacer", False), 0, 2),
                         item(spacer("samplingBottomSpacer", True), 1, 0)))


def form():
    tabs = widget("QTabWidget", "tabWidget", prop("currentIndex", 0), general_page(), lines_page(), sampling_page())
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<ui version="4.0">'
            "<class>SettingsWidgetClass</class>"
            + widget("QWidget", "SettingsWidgetClass", prop("windowTitle", "Settings"),
                     layout("QVBoxLayout", "verticalLayout_2", item(tabs)))
            + "<resources/><connections/></ui>")


def indented(text):
    pretty = minidom.parseString(text.encode("utf-8")).toprettyxml(indent=" ", encoding="UTF-8")
    return pretty.decode("utf-8")


if __name__ == "__main__":
    print(indented(form()), end="")
