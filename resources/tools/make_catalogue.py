#!/usr/bin/env python3
"""Writes the sample station: Quillon.ini, the EDS templates of the HB612 head and of every K310
module, and a sample project.

The module table below is the one source of the catalogue: the byte counts and parameter counts in
Quillon.ini, the DeviceNet parameter blocks and the CANopen parameter objects of each template are
all written from it, so they cannot drift apart. Run from anywhere:

    python3 resources/tools/make_catalogue.py

Standard library only. Output is 8-bit text with CR LF line ends and is byte-identical between runs.
"""

from __future__ import annotations

import os
from dataclasses import dataclass, field

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)  # resources/
RES = os.path.join(ROOT, "Resources")

VENDOR = "Ovenberg Automation GmbH"
DN_VENDOR_CODE = 1227
CO_VENDOR_NUMBER = 0x000004CB
BUILD_DATE = "06-30-2009"


# --------------------------------------------------------------------------------------------
# Catalogue data
# --------------------------------------------------------------------------------------------


@dataclass
class Param:
    name: str  # shown after "Module 01 " (DeviceNet) and "Parameter KD236 " (CANopen)
    default: int
    help: str
    choices: list[tuple[int, str]] = field(default_factory=list)
    low: int | None = None  # numeric parameters only; choice lists give their own range
    high: int | None = None
    units: str = ""
    wide: bool = False  # 16-bit (UINT / UNSIGNED16) instead of 8-bit

    @property
    def minimum(self) -> int:
        return self.choices[0][0] if self.choices else self.low

    @property
    def maximum(self) -> int:
        return self.choices[-1][0] if self.choices else self.high


@dataclass
class Module:
    model: str
    title: str  # catalogue text after the model name
    di: int = 0
    do: int = 0
    ai: int = 0
    ao: int = 0
    params: list[Param] = field(default_factory=list)

    @property
    def resource_file(self) -> str:
        return f"OVN_{self.model}.eds"

    @property
    def picture_file(self) -> str:
        return f"{self.model}.wmf"


OFF_ON = [(0, "Off"), (1, "On")]
DELAY_DC = [(0, "0.1 ms"), (1, "0.5 ms"), (2, "3 ms"), (3, "15 ms")]
DELAY_AC = [(0, "10 ms"), (1, "20 ms")]
RESTART = [(0, "Manual"), (1, "Automatic")]
FILTER = [(0, "Off"), (1, "4 values"), (2, "16 values"), (3, "64 values")]
RANGE_U_IN = [(0, "Channel off"), (1, "0..10 V"), (2, "+/-10 V"), (3, "2..10 V")]
RANGE_I_IN = [(0, "Channel off"), (1, "0..20 mA"), (2, "4..20 mA"), (3, "+/-20 mA")]
RANGE_U_OUT = [(0, "Channel off"), (1, "0..10 V"), (2, "+/-10 V")]
RANGE_I_OUT = [(0, "Channel off"), (1, "0..20 mA"), (2, "4..20 mA")]
RTD = [(0, "Channel off"), (1, "Pt100"), (2, "Pt1000"), (3, "Ni100"), (4, "Ni1000")]
WIRING = [(0, "2-wire"), (1, "3-wire"), (2, "4-wire")]
TEMP_UNIT = [(0, "0.1 deg C"), (1, "0.1 deg F")]


def input_delay(channels: str) -> Param:
    return Param(f"Input Delay {channels}", 2, f"Input delay of channels {channels[2:]}", DELAY_DC)


def inversion(channels: str) -> Param:
    return Param(f"Inversion {channels}", 0, "Bit n set inverts input n+1 of the group",
                 low=0, high=255)


SENSOR_DIAG = Param("Sensor Supply Diag", 1, "Diagnosis of a short circuit of the sensor supply",
                    OFF_ON)
OUTPUT_DIAG = Param("Output Diagnosis", 1, "Diagnosis of short circuit and overload", OFF_ON)
OPEN_LOAD = Param("Open Load Detection", 0, "Diagnosis of a missing load at switched-off outputs",
                  OFF_ON)
RESTART_OUT = Param("Restart After Overload", 1, "Restart of the outputs after an overload",
                    RESTART)
AI_FILTER = Param("Filter", 1, "Moving average over the given number of conversions", FILTER)
WIRE_BREAK = Param("Wire Break Diagnosis", 1, "Wire break diagnosis, only in the 4..20 mA range",
                   OFF_ON)


def ranges(prefix: str, count: int, choices, default: int, what: str) -> list[Param]:
    return [Param(f"{prefix} Ch{n}", default, f"{what} of channel {n}", choices)
            for n in range(1, count + 1)]


HEAD = Module("HB612", "Bus coupler", di=2, do=1, params=[
    Param("Module Check", 1, "Compare the plugged modules with the configuration at start-up",
          OFF_ON),
    Param("Module Fault Reaction", 0, "Reaction of the coupler to a failed or missing module",
          [(0, "Stop I/O exchange"), (1, "Continue")]),
    Param("Watchdog Time", 100, "Watchdog of the internal I/O bus, 0 = off", low=0, high=10000,
          units="ms", wide=True),
    Param("Diagnostic Reports", 1, "Report module diagnostics to the fieldbus master",
          [(0, "Disabled"), (1, "Enabled")]),
    Param("Supply Monitoring", 1, "Monitoring of the 24 V DC field supply", OFF_ON),
    Param("Restart After Fault", 1, "Restart of the internal I/O bus after a module fault",
          RESTART),
    Param("Analogue Byte Order", 0, "Byte order of 16-bit analogue values in the process image",
          [(0, "Low byte first"), (1, "High byte first")]),
    Param("Analogue Format", 0, "Nominal range of the analogue values",
          [(0, "+/-27648"), (1, "+/-32767")]),
    Param("I/O Cycle Time", 2, "Cycle time of the internal I/O bus", low=1, high=20, units="ms"),
    Param("LED Test", 0, "Light all LEDs for two seconds at start-up", OFF_ON),
    Param("Mains Frequency", 0, "Interference suppression of the analogue inputs",
          [(0, "50 Hz"), (1, "60 Hz")]),
])

CATALOGUE = [
    Module("KD214", "4 DI 24 V DC", di=1, params=[input_delay("Ch1-4"), SENSOR_DIAG]),
    Module("KD218", "8 DI 24 V DC", di=1,
           params=[input_delay("Ch1-8"), inversion("Ch1-8"), SENSOR_DIAG]),
    Module("KD236", "16 DI 24 V DC", di=2,
           params=[input_delay("Ch1-8"), input_delay("Ch9-16"), inversion("Ch1-8"),
                   inversion("Ch9-16"), SENSOR_DIAG]),
    Module("KD258", "8 DI 120/230 V AC", di=1,
           params=[Param("Input Delay Ch1-8", 0, "Input delay of channels 1-8", DELAY_AC),
                   inversion("Ch1-8")]),
    Module("KD414", "4 DO 24 V DC 2 A", do=1, params=[OUTPUT_DIAG, RESTART_OUT]),
    Module("KD418", "8 DO 24 V DC 0.5 A", do=1, params=[OUTPUT_DIAG, OPEN_LOAD, RESTART_OUT]),
    Module("KD436", "16 DO 24 V DC 0.5 A", do=2, params=[OUTPUT_DIAG, OPEN_LOAD, RESTART_OUT]),
    Module("KD454", "4 RO relay 230 V AC 3 A", do=1, params=[
        Param("Contact Wear Warning", 0, "Warn after this many thousand switching cycles, 0 = off",
              low=0, high=5000, units="x1000", wide=True)]),
    Module("KA222", "2 AI 0..10 V / +/-10 V", ai=4,
           params=ranges("Range", 2, RANGE_U_IN, 1, "Measuring range")
           + [AI_FILTER,
              Param("Limit Diagnosis", 0, "Diagnosis of overrange and underrange", OFF_ON)]),
    Module("KA224", "4 AI 0/4..20 mA", ai=8,
           params=ranges("Range", 4, RANGE_I_IN, 2, "Measuring range") + [AI_FILTER, WIRE_BREAK]),
    Module("KA228", "8 AI 0..10 V / +/-10 V", ai=16,
           params=ranges("Range", 8, RANGE_U_OUT, 1, "Measuring range") + [AI_FILTER]),
    Module("KA234", "4 AI RTD Pt100/Ni100", ai=8,
           params=ranges("Sensor", 4, RTD, 1, "Sensor type")
           + [Param("Connection", 1, "Connection of the sensors", WIRING),
              Param("Temperature Unit", 0, "Unit of the measured values", TEMP_UNIT),
              AI_FILTER]),
    Module("KA422", "2 AO 0..10 V / +/-10 V", ao=4,
           params=ranges("Range", 2, RANGE_U_OUT, 1, "Output range")
           + [Param("Short Circuit Diag", 1, "Diagnosis of a short circuit at a voltage output",
                    OFF_ON)]),
    Module("KA424", "4 AO 0/4..20 mA", ao=8,
           params=ranges("Range", 4, RANGE_I_OUT, 2, "Output range") + [WIRE_BREAK]),
    Module("KM644", "4 DI / 4 DO 24 V DC", di=1, do=1,
           params=[input_delay("Ch1-4"), OUTPUT_DIAG]),
    Module("KM688", "8 DI / 8 DO 24 V DC", di=1, do=1,
           params=[input_delay("Ch1-8"), OUTPUT_DIAG, RESTART_OUT]),
    Module("KM622", "2 AI / 2 AO 0..10 V", ai=4, ao=4,
           params=ranges("Input Range", 2, RANGE_U_OUT, 1, "Measuring range")
           + ranges("Output Range", 2, RANGE_U_OUT, 1, "Output range") + [AI_FILTER]),
]

SAMPLE_PROJECT = ["KD236", "KD418", "KA224", "KA424", "KM688"]

# CANopen: process data objects (CiA 401) sized for the largest station the generator handles:
# 16 digital bytes and 16 analogue channels in each direction.
MAX_DIGITAL_BYTES = 16
MAX_ANALOGUE_CHANNELS = 16


# --------------------------------------------------------------------------------------------
# Writing helpers
# --------------------------------------------------------------------------------------------


def write_text(path: str, lines: list[str]) -> None:
    data = "".join(line + "\r\n" for line in lines).encode("latin-1")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def hex_sub(n: int) -> str:
    return format(n, "X")


# DeviceNet (ODVA EDS) ------------------------------------------------------------------------

INDENT = " " * 8
FIELD = " " * 16
COMMENT_COLUMN = 48


def dn_field(value: str, comment: str = "") -> str:
    text = FIELD + value
    if not comment:
        return text
    # "slot" becomes a two-digit number in the generated file; pad for it so that the comments
    # still line up there.
    column = COMMENT_COLUMN + (2 if "slot" in value else 0)
    return text.ljust(column - 1) + " $ " + comment


def dn_param(keyword: str, path: str, name: str, p: Param, enum_keyword: str) -> list[str]:
    """One parameter entry in the layout the parameter editor reads defaults and choices from:
    the units line carries the help-string marker, the help text follows on one line, then
    minimum, maximum and default on one line; a choice list stands two lines after the
    decimal-places line, one choice per line, the last one ended by a semicolon."""
    descriptor = 0x0002 if p.choices else 0x0000
    lines = [
        f"{INDENT}{keyword} =",
        dn_field("0,", "reserved, shall be 0"),
        dn_field(f'6,"{path}",', "link path size, link path"),
        dn_field(f"0x{descriptor:04X},",
                 "descriptor: enumerated strings" if p.choices else "descriptor"),
        dn_field("0xC7," if p.wide else "0xC6,",
                 "data type: UINT" if p.wide else "data type: USINT"),
        dn_field("2," if p.wide else "1,", "data size in bytes"),
        dn_field(f'"{name}",', "name"),
        dn_field(f'"{p.units}",', "units, --Help string -- on the next line"),
        dn_field(f'"{p.help}",', "help string"),
        dn_field(f"{p.minimum},{p.maximum},{p.default},", "min, max, default data values"),
        dn_field(",,,,", "mult, div, base, offset scaling"),
        dn_field(",,,,", "mult, div, base, offset links"),
        dn_field("0;", "decimal places"),
        "",
    ]
    if p.choices:
        lines.append(f"{INDENT}{enum_keyword} =")
        for i, (value, text) in enumerate(p.choices):
            end = ";" if i == len(p.choices) - 1 else ","
            lines.append(f'{FIELD}{value},"{text}"{end}')
        lines.append("")
    return lines


# CANopen (CiA 306 EDS) -----------------------------------------------------------------------


def co_object(label: str, name: str, sub_number: int, object_type: str = "0x9") -> list[str]:
    # Exactly three lines after the header: the parameter editor skips three.
    return [f"[{label}]", f"ParameterName={name}", f"ObjectType={object_type}",
            f"SubNumber={sub_number}", ""]


def co_entry(label: str, name: str, data_type: str, access: str, default: str | None = None,
             pdo: int = 0, low: int | None = None, high: int | None = None) -> list[str]:
    lines = [f"[{label}]", f"ParameterName={name}", "ObjectType=0x7", f"DataType={data_type}",
             f"AccessType={access}"]
    if default is not None:
        lines.append(f"DefaultValue={default}")
    lines.append(f"PDOMapping={pdo}")
    if low is not None:
        lines += [f"LowLimit={low}", f"HighLimit={high}"]
    return lines + [""]


def co_count(label: str, count: int) -> list[str]:
    # Sub-index 0 of a record or array: header plus six lines, as the editor expects.
    return co_entry(label, "Number of Entries", "0x0005", "ro", str(count))


def co_var(index: str, name: str, data_type: str, access: str, default: str | None,
           pdo: int = 0) -> list[str]:
    return co_entry(index, name, data_type, access, default, pdo)


def co_array(index: str, name: str, entries: list[list[str]], object_type: str = "0x8",
             count: list[str] | None = None) -> list[str]:
    lines = co_object(index, name, len(entries) + 1, object_type)
    lines += count if count else co_count(f"{index}sub0", len(entries))
    for e in entries:
        lines += e
    return lines


def parameter_section(model: str, params: list[Param]) -> list[str]:
    """The slot's parameter object; the generator puts the slot index into "[260X]" and
    "[260Xsub" and the slot number at the end of the object name."""
    lines = co_object("260X", "DeviceParameter SlotX", len(params) + 1)
    lines += co_count("260Xsub0", len(params))
    for n, p in enumerate(params, start=1):
        lines += co_entry(f"260Xsub{hex_sub(n)}", f"Parameter {model} {p.name}",
                          "0x0006" if p.wide else "0x0005", "rw", str(p.default), 0,
                          p.minimum, p.maximum)
    return lines


def mapping_entry(label: str, mapped: int) -> list[str]:
    # Seven lines: the generator copies them once per mapped channel and writes the channel's
    # sub-index into characters 20 and 21 of the DefaultValue line.
    return [f"[{label}]", "ParameterName=Mapping Entry", "ObjectType=0x7", "DataType=0x0007",
            "AccessType=ro", f"DefaultValue=0x{mapped:08X}", "PDOMapping=0", ""]


def mapping_section(index: str, name: str, count: int, mapped: int) -> list[str]:
    return (co_object(index, name, count + 1) + co_count(f"{index}sub0", count)
            + mapping_entry(f"{index}sub1", mapped))


def static_mapping(index: str, name: str, values: list[int]) -> list[str]:
    lines = co_object(index, name, len(values) + 1) + co_count(f"{index}sub0", len(values))
    for n, v in enumerate(values, start=1):
        lines += mapping_entry(f"{index}sub{hex_sub(n)}", v)
    return lines


def rpdo_comm(index: str, pdo_name: str, cob_id: str, transmission: int) -> list[str]:
    return (co_object(index, f"Receive {pdo_name} Communication Parameter", 3)
            + co_count(f"{index}sub0", 2)
            + co_entry(f"{index}sub1", "COB-ID used by RPDO", "0x0007", "rw", cob_id)
            + co_entry(f"{index}sub2", "Transmission Type", "0x0005", "rw", str(transmission)))


def tpdo_comm(index: str, pdo_name: str, cob_id: str, transmission: int, inhibit: int,
              event: int) -> list[str]:
    # Sub-index 4 is reserved in CiA 301 and not present.
    return (co_object(index, f"Transmit {pdo_name} Communication Parameter", 5)
            + co_count(f"{index}sub0", 5)
            + co_entry(f"{index}sub1", "COB-ID used by TPDO", "0x0007", "rw", cob_id)
            + co_entry(f"{index}sub2", "Transmission Type", "0x0005", "rw", str(transmission))
            + co_entry(f"{index}sub3", "Inhibit Time", "0x0006", "rw", str(inhibit))
            + co_entry(f"{index}sub5", "Event Timer", "0x0006", "rw", str(event)))


def section(marker: str, lines: list[str]) -> list[str]:
    return [f"[START_{marker}]"] + lines + [f"[END_{marker}]", ""]


# --------------------------------------------------------------------------------------------
# Head template
# --------------------------------------------------------------------------------------------

HEAD_PATH = "20 64 24 01 30 {:02X}"
MODULE_PATH = "20 65 24 slot 30 {:02X}"


def head_devicenet() -> list[str]:
    lines = [
        "$ Quillon Generated Electronic Data Sheet",
        "$ K310 I/O station: HB612 bus coupler with ZLT-DN DeviceNet plug and K310 I/O modules",
        "",
        "[File]",
        f'{INDENT}DescText = "K310-HB612 DeviceNet I/O station";',
        f"{INDENT}CreateDate = {BUILD_DATE};",
        f"{INDENT}CreateTime = 12:00:00;",
        f"{INDENT}ModDate = {BUILD_DATE};",
        f"{INDENT}ModTime = 12:00:00;",
        f"{INDENT}Revision = 1.4;",
        "",
        "[Device]",
        f"{INDENT}VendCode = {DN_VENDOR_CODE};",
        f'{INDENT}VendName = "{VENDOR}";',
        f"{INDENT}ProdType = 12;",
        f'{INDENT}ProdTypeStr = "Communication Adapter";',
        f"{INDENT}ProdCode = 612;",
        f"{INDENT}MajRev = 1;",
        f"{INDENT}MinRev = 4;",
        f'{INDENT}ProdName = "K310-HB612";',
        f'{INDENT}Catalog = "K310-HB612/ZLT-DN";',
        f'{INDENT}Icon = "OVN_K310_HB612.ico";',
        "",
        "[IO_Info]",
        f"{INDENT}Default = 0x0001;".ljust(COMMENT_COLUMN - 1) + " $ polled I/O connection",
        f"{INDENT}PollInfo = 0x0001, 1, 1;".ljust(COMMENT_COLUMN - 1)
        + " $ polled, default input and output 1",
        "",
        "$ Input: 16 diagnostic bytes, then the digital and analogue input bytes of all modules",
        f"{INDENT}Input1 =",
        dn_field("18,", "size in bytes"),
        dn_field("0,", "all bits significant"),
        dn_field("0x0001,", "polled connection"),
        dn_field('"Station Inputs",', "name"),
        dn_field("6,", "path size"),
        dn_field('"20 04 24 64 30 03",', "assembly object instance 100"),
        dn_field('"Diagnostic data, digital and analogue inputs";', "help string"),
        "",
        "$ Output: the digital and analogue output bytes of all modules",
        f"{INDENT}Output1 =",
        dn_field("1,", "size in bytes"),
        dn_field("0,", "all bits significant"),
        dn_field("0x0001,", "polled connection"),
        dn_field('"Station Outputs",', "name"),
        dn_field("6,", "path size"),
        dn_field('"20 04 24 65 30 03",', "assembly object instance 101"),
        dn_field('"Digital and analogue outputs";', "help string"),
        "",
        "[ParamClass]",
        f"{INDENT}MaxInst = {len(HEAD.params)};".ljust(COMMENT_COLUMN - 1)
        + " $ parameter instances of the station",
        f"{INDENT}Descriptor = 0x09;".ljust(COMMENT_COLUMN - 1)
        + " $ parameter instances, stored non-volatile",
        f"{INDENT}CfgAssembly = 0;".ljust(COMMENT_COLUMN - 1) + " $ no configuration assembly",
        "",
        "$ Parameters 1 to 11 belong to the HB612 coupler; the parameters of the I/O modules",
        "$ follow in module order. Enumerations stand directly after their parameter.",
        "[Params]",
    ]
    for n, p in enumerate(HEAD.params, start=1):
        lines += dn_param(f"Param{n}", HEAD_PATH.format(n), p.name, p, f"Enum{n}")
    lines += ["$ ---- parameters of the K310 I/O modules ----", "", "[END_DEVNET_PART]", ""]
    return lines


OPTIONAL_OBJECTS = ["1003", "1005", "1008", "1009", "100A", "100C", "100D", "1010", "1011",
                    "1014", "1016", "1017", "1029", "6000", "6200", "6401", "6411"]


def head_header1() -> list[str]:
    lines = [
        "[FileInfo]",
        "FileName=OVN_HB612.eds",
        "FileVersion=1",
        "FileRevision=4",
        "EDSVersion=4.0",
        "Description=K310 I/O station: HB612 bus coupler with ZLT-CO CANopen plug",
        "CreationTime=12:00PM",
        f"CreationDate={BUILD_DATE}",
        f"CreatedBy={VENDOR}",
        "ModificationTime=12:00PM",
        f"ModificationDate={BUILD_DATE}",
        f"ModifiedBy={VENDOR}",
        "",
        "[DeviceInfo]",
        f"VendorName={VENDOR}",
        f"VendorNumber=0x{CO_VENDOR_NUMBER:08X}",
        "ProductName=K310-HB612 CANopen",
        "ProductNumber=0x00000264",
        "RevisionNumber=0x00010004",
        "OrderCode=K310-HB612/ZLT-CO",
        '; ProdName = "K310-HB612";',
    ]
    for rate in (10, 20, 50, 125, 250, 500, 800, 1000):
        lines.append(f"BaudRate_{rate}=1")
    lines += [
        "SimpleBootUpMaster=0",
        "SimpleBootUpSlave=1",
        "Granularity=0",
        "DynamicChannelsSupported=0",
        "CompactPDO=0",
        "GroupMessaging=0",
        "NrOfRXPDO=1",
        "NrOfTXPDO=3",
        "LSS_Supported=0",
        "",
        "[DummyUsage]",
    ]
    lines += [f"Dummy000{n}=0" for n in range(1, 8)]
    lines += [
        "",
        "[Comments]",
        "Lines=4",
        "Line1=K310 I/O station with HB612 bus coupler in slot 1 and up to seven I/O modules.",
        "Line2=Digital I/O bytes: objects 6000h and 6200h; analogue channels: 6401h and 6411h.",
        "Line3=Module parameters: 2600h (coupler, slot 1) to 2607h (slot 8);",
        "Line4=failsafe settings: 3000h and 4000h; diagnostic data: 5000h (TPDO 7 and 8).",
        "",
        "[MandatoryObjects]",
        "SupportedObjects=3",
        "1=0x1000",
        "2=0x1001",
        "3=0x1018",
        "",
    ]
    lines += co_var("1000", "Device Type", "0x0007", "ro", "0x000F0191")
    lines += co_var("1001", "Error Register", "0x0005", "ro", "0", pdo=1)
    lines += co_array("1018", "Identity Object", [
        co_entry("1018sub1", "Vendor ID", "0x0007", "ro", f"0x{CO_VENDOR_NUMBER:08X}"),
        co_entry("1018sub2", "Product Code", "0x0007", "ro", "0x00000264"),
        co_entry("1018sub3", "Revision Number", "0x0007", "ro", "0x00010004"),
        co_entry("1018sub4", "Serial Number", "0x0007", "ro"),
    ], object_type="0x9")
    lines += ["[OptionalObjects]", f"SupportedObjects={len(OPTIONAL_OBJECTS)}"]
    lines += [f"{n}=0x{index}" for n, index in enumerate(OPTIONAL_OBJECTS, start=1)]
    return lines


def head_header2() -> list[str]:
    # Starts with an empty line: the generator writes the optional-object list right before it.
    lines = [""] + co_array("1003", "Pre-defined Error Field", [
        co_entry(f"1003sub{n}", "Standard Error Field", "0x0007", "ro", "0") for n in range(1, 5)
    ], count=co_entry("1003sub0", "Number of Errors", "0x0005", "rw", "0"))
    lines += co_var("1005", "COB-ID SYNC", "0x0007", "rw", "0x00000080")
    lines += co_var("1008", "Manufacturer Device Name", "0x0009", "const", "K310-HB612")
    lines += co_var("1009", "Manufacturer Hardware Version", "0x0009", "const", "1.0")
    lines += co_var("100A", "Manufacturer Software Version", "0x0009", "const", "1.4")
    lines += co_var("100C", "Guard Time", "0x0006", "rw", "0")
    lines += co_var("100D", "Life Time Factor", "0x0005", "rw", "0")
    lines += co_array("1010", "Store Parameters", [
        co_entry("1010sub1", "Save All Parameters", "0x0007", "rw", "0x00000001")])
    lines += co_array("1011", "Restore Default Parameters", [
        co_entry("1011sub1", "Restore All Default Parameters", "0x0007", "rw", "0x00000001")])
    lines += co_var("1014", "COB-ID EMCY", "0x0007", "ro", "$NODEID+0x80")
    lines += co_array("1016", "Consumer Heartbeat Time", [
        co_entry("1016sub1", "Consumer Heartbeat Time", "0x0007", "rw", "0x00000000")])
    lines += co_var("1017", "Producer Heartbeat Time", "0x0006", "rw", "0")
    lines += co_array("1029", "Error Behaviour", [
        co_entry("1029sub1", "Communication Error", "0x0005", "rw", "0")])
    lines += co_array("6000", "Read Input 8-Bit", [
        co_entry(f"6000sub{hex_sub(n)}", f"Digital Input Byte {n}", "0x0005", "ro", pdo=1)
        for n in range(1, MAX_DIGITAL_BYTES + 1)])
    lines += co_array("6200", "Write Output 8-Bit", [
        co_entry(f"6200sub{hex_sub(n)}", f"Digital Output Byte {n}", "0x0005", "rw", "0", pdo=1)
        for n in range(1, MAX_DIGITAL_BYTES + 1)])
    lines += co_array("6401", "Read Analogue Input 16-Bit", [
        co_entry(f"6401sub{hex_sub(n)}", f"Analogue Input Channel {n}", "0x0003", "ro", pdo=1)
        for n in range(1, MAX_ANALOGUE_CHANNELS + 1)])
    lines += co_array("6411", "Write Analogue Output 16-Bit", [
        co_entry(f"6411sub{hex_sub(n)}", f"Analogue Output Channel {n}", "0x0003", "rw", "0",
                 pdo=1)
        for n in range(1, MAX_ANALOGUE_CHANNELS + 1)])
    return lines


DIAGNOSTIC_NAMES = (["Coupler Status"] + [f"Module Status Slot {n}" for n in range(2, 9)]
                    + [f"Channel Diagnostics Byte {n}" for n in range(1, 9)])


def head_failsafe() -> list[str]:
    lines = co_object("3000", "Failsafe Mode", 3)
    lines += co_count("3000sub0", 2)
    lines += co_entry("3000sub1", "Failsafe Mode Digital Outputs", "0x0005", "rw", "0", 0, 0, 2)
    lines += co_entry("3000sub2", "Failsafe Mode Analogue Outputs", "0x0005", "rw", "0", 0, 0, 2)
    entries = [co_entry(f"4000sub{hex_sub(n)}", f"Failsafe Value Digital Output Byte {n}",
                        "0x0005", "rw", "0", 0, 0, 255)
               for n in range(1, MAX_DIGITAL_BYTES + 1)]
    entries += [co_entry(f"4000sub{hex_sub(MAX_DIGITAL_BYTES + n)}",
                         f"Failsafe Value Analogue Output Channel {n}", "0x0003", "rw", "0", 0,
                         -32768, 32767)
                for n in range(1, MAX_ANALOGUE_CHANNELS + 1)]
    lines += co_array("4000", "Failsafe Values", entries, object_type="0x9")
    lines += co_array("5000", "Diagnostic Data", [
        co_entry(f"5000sub{hex_sub(n)}", name, "0x0005", "ro", pdo=1)
        for n, name in enumerate(DIAGNOSTIC_NAMES, start=1)])
    return lines


def head_template() -> list[str]:
    lines = head_devicenet()
    lines += ["; ---- CANopen: file and device information, mandatory objects ----"]
    lines += section("CANOPEN_HEADER1", head_header1())
    lines += ["; ---- CANopen: communication and profile objects ----"]
    lines += section("CANOPEN_HEADER2", head_header2())
    lines += ["; ---- CANopen: manufacturer objects listed beside the generated ones ----"]
    lines += section("CANOPEN_MANU_OBJ", ["[ManufacturerObjects]", "SupportedObjects=1",
                                          "1=0x5000"])
    lines += ["; ---- CANopen: PDO 1 (digital I/O bytes 1 to 8) and the diagnostic PDOs ----"]
    lines += section("RPDO_COMM_PARA", rpdo_comm("1400", "PDO01", "$NODEID+0x200", 255))
    lines += section("RPDO_MAP_PARA", mapping_section("1600", "Receive PDO1 Mapping Parameter", 1,
                                                      0x62000108))
    lines += section("TPDO_COMM_PARA", tpdo_comm("1800", "PDO01", "$NODEID+0x180", 255, 0, 0))
    lines += section("TPDO_COMM_DIAG_PARA",
                     tpdo_comm("1806", "PDO07 (Diagnostics)", "$NODEID+0x80000000", 255, 1000, 0)
                     + tpdo_comm("1807", "PDO08 (Diagnostics)", "$NODEID+0x80000000", 255, 1000,
                                 0))
    lines += section("TPDO_MAP_PARA", mapping_section("1a00", "Transmit PDO1 Mapping Parameter", 1,
                                                      0x60000108))
    lines += section("TPDO_MAP_DIAG_PARA",
                     static_mapping("1a06", "Transmit PDO7 Mapping Parameter",
                                    [0x50000008 | (n << 8) for n in range(1, 9)])
                     + static_mapping("1a07", "Transmit PDO8 Mapping Parameter",
                                      [0x50000008 | (n << 8) for n in range(9, 17)]))
    lines += ["; ---- CANopen: parameters of the coupler (slot 1) ----"]
    # The empty first line separates the coupler's object from the generated manufacturer list.
    lines += section("CANOPEN_PARAMETERS", [""] + parameter_section(HEAD.model, HEAD.params))
    lines += ["; ---- CANopen: failsafe settings and diagnostic data ----"]
    lines += section("FAILSAFE", head_failsafe())
    return lines


# --------------------------------------------------------------------------------------------
# Module templates
# --------------------------------------------------------------------------------------------


def module_devicenet(m: Module) -> list[str]:
    lines = [f"$ ---- Module slot: K310-{m.model}  {m.title} ----", ""]
    for n, p in enumerate(m.params, start=1):
        lines += dn_param("ParamXXX", MODULE_PATH.format(n), f"Module slot {p.name}", p, "EnumXXX")
    lines += ["$ ----", "", "[END_DEVNET_PART]", ""]
    return lines


def second_digital_pdo() -> list[str]:
    # Supplied by the KD236 template: PDO 2 carries digital bytes 9 to 16 of either direction.
    lines = ["; ---- CANopen: PDO 2 (digital I/O bytes 9 to 16) ----"]
    lines += section("RPDO_COMM_PARA", rpdo_comm("1401", "PDO02", "$NODEID+0x300", 255))
    lines += section("RPDO_MAP_PARA", mapping_section("1601", "Receive PDO2 Mapping Parameter", 1,
                                                      0x62000108))
    lines += section("TPDO_COMM_PARA", tpdo_comm("1801", "PDO02", "$NODEID+0x280", 255, 0, 0))
    lines += section("TPDO_MAP_PARA", mapping_section("1a01", "Transmit PDO2 Mapping Parameter", 1,
                                                      0x60000108))
    return lines


def analogue_pdo() -> list[str]:
    # Supplied by the KA224 template and stamped out once per analogue PDO (3 to 6): the generator
    # fills in the object index, the PDO number, the COB-ID and the mapped channels.
    lines = ["; ---- CANopen: analogue PDO, repeated for PDO 3 to 6 ----"]
    lines += section("RPDO_COMM_PARA", rpdo_comm("140X", "PDOXX", "$NODEID+0x400", 255))
    lines += section("RPDO_MAP_PARA", mapping_section("160X", "Receive PDOX Mapping Parameter", 1,
                                                      0x64110110))
    lines += section("TPDO_COMM_PARA", tpdo_comm("180X", "PDOXX", "$NODEID+0x380", 255, 100, 0))
    lines += section("TPDO_MAP_PARA", mapping_section("1a0X", "Transmit PDOX Mapping Parameter", 1,
                                                      0x64010110))
    return lines


def module_template(m: Module) -> list[str]:
    lines = module_devicenet(m)
    if m.model == "KD236":
        lines += second_digital_pdo()
    if m.model == "KA224":
        lines += analogue_pdo()
    lines += [f"; ---- CANopen: parameters of the {m.model} ----"]
    lines += section("CANOPEN_PARAMETERS", parameter_section(m.model, m.params))
    return lines


# --------------------------------------------------------------------------------------------
# Settings file and sample project
# --------------------------------------------------------------------------------------------


def settings_file() -> list[str]:
    lines = ["[Projectpath]", "", "[Resourcepath]", "", "[EDSFilepath]", "",
             "[MaxDIDOAIAO]", "32,32,64,64", "[CANMaxDIDOAIAO]", "16,16,32,32", "[Modules]"]
    lines += [f"{m.model}  {m.title}" for m in CATALOGUE]
    lines.append("[ModulInfo]")
    for m in CATALOGUE:
        lines.append(f'"{m.picture_file}",{m.di},{m.do},{m.ai},{m.ao},"{m.resource_file}",'
                     f"{len(m.params)}")
    lines.append("[End]")
    return lines


def sample_project() -> list[str]:
    def number(n: int) -> str:
        return f" {n} " if n >= 0 else f"{n} "

    by_model = {m.model: m for m in CATALOGUE}
    slots = [HEAD] + [by_model[name] for name in SAMPLE_PROJECT]
    lines = []
    for m in slots:
        lines += [m.picture_file, number(m.di), number(m.do), number(m.ai), number(m.ao),
                  m.resource_file, number(len(m.params))]
    for _ in range(8 - len(slots)):
        lines += ["", number(0), number(0), number(0), number(0), "", number(0)]
    return lines


def main() -> None:
    write_text(os.path.join(ROOT, "Quillon.ini"), settings_file())
    write_text(os.path.join(RES, "OVN_HB612.eds"), head_template())
    for m in CATALOGUE:
        write_text(os.path.join(RES, m.resource_file), module_template(m))
    write_text(os.path.join(ROOT, "Projects", "K310_Sample_Station.edp"), sample_project())


if __name__ == "__main__":
    main()
