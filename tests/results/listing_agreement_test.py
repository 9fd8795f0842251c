"""On the two-station example, the values of the results file (JSON) and of
the results table (CSV) agree with the results listings TQF.OUT and GDS.OUT
of the same run to the digits the listings print. The example is run as it
is, and once more with a flow-zone arrival of 0.5 h (which corrects the
mean time, the velocities and their spread) and the 150 m station's distance
given in miles (checked against the international mile, 1609.344 m).

A listing prints a quantity on a labelled line and, for some quantities, on
continuation lines below it in other units:
  The mean tracer transit time          .13415     d
                                        3.2195     hrs
                                        193.17     min
Every printed line of a quantity is checked: the JSON value, in the unit its
name carries, is converted to the line's unit (times: 1 h = 60 min =
1/24 d = 3600 sec, so TQF's hours and GDS's minutes both check; masses:
1 kg = 1e3 g = 1e6 mg = 1e9 ug; velocities: 1 m/s = 3600 m/hr = 86400 m/d)
and must round to the printed number: the difference may be at most half a
unit of the last printed digit (plus 1e-6 of the value for the rounding of
the listing's own single-precision unit conversion). The listing is
Windows-1252 (the micro sign is byte 0xB5).

usage: listing_agreement_test.py KALDERO WORK"""
import csv
import json
import os
import re
import struct
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import common  # noqa: E402

TIME = {"hrs": 1.0, "min": 60.0, "d": 1 / 24.0, "sec": 3600.0}
TIME2 = {"hrs^2": 1.0, "min^2": 3600.0, "d^2": 1 / 576.0, "sec^2": 3600.0**2}
VELOCITY = {"m/s": 1.0, "m/hr": 3600.0, "m/d": 86400.0}
MASS = {"kg": 1.0, "g": 1e3, "mg": 1e6, "\u00b5g": 1e9}
NONE = {"": 1.0}

# The main quantities of a tracer test; each must be printed in both listings.
REQUIRED = ["recovered_mass_kg", "percent_recovery", "first_arrival_h", "peak_time_h",
            "mean_transit_time_h", "transit_time_variance_h2", "mean_velocity_m_per_s",
            "maximum_velocity_m_per_s", "dispersion_coefficient_m2_per_s", "dispersivity_m",
            "peclet_number"]

# Results name, listing label, the listing's units with the factor from the
# name's unit to them.
STATION = [
    ("recovered_mass_kg", "The quantity of tracer recovered", MASS),
    ("percent_recovery", "Percent recovery of tracer injected", {"%": 1.0}),
    ("accuracy_index", "Accuracy index (0.0 = Perfect Recov.)", NONE),
    ("lower_integration_limit_h", "Lower integration limit", TIME),
    ("upper_integration_limit_h", "Upper integration limit", TIME),
    ("first_arrival_h", "Time to leading edge (first arrival)", TIME),
    ("peak_time_h", "Time to peak tracer concentration", TIME),
    ("peak_concentration_ug_per_L", "For a peak tracer concentration", {"\u00b5g/L": 1.0}),
    ("travel_distance_m", "Distance from input to outflow point", {"m": 1.0}),
    ("mean_transit_time_h", "The mean tracer transit time", TIME),
    ("transit_time_variance_h2", "Variance for mean tracer time", TIME2),
    ("transit_time_standard_deviation_h", "Standard deviation for tracer time", TIME),
    ("mean_velocity_m_per_s", "The mean tracer velocity", VELOCITY),
    ("velocity_standard_deviation_m_per_s", "Standard deviation for tracer velocity", VELOCITY),
    ("maximum_velocity_m_per_s", "The maximum tracer velocity", VELOCITY),
    ("dispersion_coefficient_m2_per_s", "Dispersion coefficient", {"m^2/s": 1.0}),
    ("dispersivity_m", "Longitudinal dispersivity", {"m": 1.0}),
    ("peclet_number", "Peclet number", NONE),
    ("volume_m3", "Flow-channel volume estimate", {"m^3": 1.0}),
    ("cross_section_m2", "Flow-channel cross-sectional area", {"m^2": 1.0}),
    ("surface_area_m2", "Flow-channel surface area", {"m^2": 1.0}),
    ("sorption_coefficient_m", "Tracer sorption coefficient (channel)", {"m": 1.0}),
    ("head_loss_m", "Hydraulic head loss along channel", {"m": 1.0}),
    ("friction_factor", "Based on a friction factor", NONE),
    ("viscous_sublayer_mm", "Viscous-flow sublayer along walls", {"mm": 1.0}),
    ("reynolds_number", "Estimated Reynolds number", NONE),
    ("tube_diameter_m", "Based on an estimated tube diameter", {"m": 1.0}),
    ("froude_number", "Estimated Froude number", NONE),
    ("hydraulic_depth_m", "Based on an estimated hydraulic depth", {"m": 1.0}),
    ("shear_velocity_m_per_s", "Shear velocity", {"m/s": 1.0}),
    ("schmidt_number", "Estimated Schmidt number", NONE),
    ("sherwood_number", "Estimated Sherwood number", NONE),
    ("mass_transfer_coefficient_m_per_s", "Mass transfer coef. from wall to flow", {"m/s": 1.0}),
    ("diffusion_layer_thickness_mm", "Molecular diffusion layer thickness", {"mm": 1.0}),
]

# The run totals, in the last listing.
TOTALS = [
    ("recovered_mass_kg", "Total quantity of tracer recovered", MASS),
    ("volume_m3", "Total aquifer volume estimate", {"m^3": 1.0}),
    ("surface_area_m2", "Total aquifer surface area estimate", {"m^2": 1.0}),
    ("final_sorption_coefficient_m", "Final tracer sorption coefficient", {"m": 1.0}),
    ("percent_recovery", "Percent recovery of tracer injected", {"%": 1.0}),
    ("accuracy_index", "Accuracy index (0.0 = Perfect Recov.)", NONE),
]

NUMBER = r"[-+]?(?:\d+\.?\d*|\.\d+)(?:E[-+]?\d+)?"
LABELLED = re.compile(r"^ {5,}(?P<label>\S.*?\S)\s{2,}(?P<value>" + NUMBER +
                      r")(?:\s+(?P<unit>\S.*?))?\s*$")
CONTINUED = re.compile(r"^ {40,}(?P<value>" + NUMBER + r")(?:\s+(?P<unit>\S.*?))?\s*$")


def parse_listing(text):
    """Label -> printed lines [(number text, unit)] of its first occurrence."""
    quantities = {}
    current = None
    for line in text.splitlines():
        m = CONTINUED.match(line)
        if m and current is not None:
            current.append((m["value"], m["unit"] or ""))
            continue
        m = LABELLED.match(line)
        if m:
            current = [(m["value"], m["unit"] or "")]
            quantities.setdefault(m["label"], current)
        elif line.strip():
            current = None
    return quantities


def last_digit(number):
    """The value of one unit in the last printed digit of a listing number."""
    mantissa, _, exponent = number.upper().partition("E")
    decimals = len(mantissa.partition(".")[2])
    return 10.0 ** (int(exponent or 0) - decimals)


def compare(c, where, name, value, printed, units):
    for number, unit in printed:
        if not c.check(unit in units, f"{where}: {name}: unit {unit!r} of the listing line "
                       f"{number} {unit} is not understood"):
            continue
        if not c.check(isinstance(value, float), f"{where}: {name} is {value!r}, the listing "
                       f"prints {number} {unit}"):
            return
        shown = float(number)
        converted = value * units[unit]
        tolerance = 0.5 * last_digit(number) + 1e-6 * abs(shown)
        c.check(abs(converted - shown) <= tolerance,
                f"{where}: {name} = {value!r} is {converted:.9g} {unit}, the listing prints "
                f"{number} {unit}")


def agreement(c, exe, folder, where):
    """The JSON and CSV of a run of the example in folder against its listings;
    the results document."""
    proc = common.run(exe, folder, ["--batch", "--results", "r.json", "--table", "r.csv",
                                    "KALDERO.D"])
    if not c.check(proc.returncode == 0, f"{where}: exit status {proc.returncode}"):
        return None
    doc = json.load(open(os.path.join(folder, "r.json"), encoding="utf-8"))
    with open(os.path.join(folder, "r.csv"), encoding="utf-8", newline="") as f:
        rows = {r["station_file"]: r for r in csv.DictReader(f)}

    # The test's title is line 1 of the control file, as written there.
    with open(os.path.join(folder, "KALDERO.D"), encoding="cp1252") as f:
        title = f.readline().rstrip()
    c.check(doc["control"]["title"] == title, f"control title {doc['control']['title']!r}")

    stations = {s["station_file"]: s for s in doc["stations"]}
    for station_file, listing_file in (("TQF.DAT", "TQF.OUT"), ("GDS.DAT", "GDS.OUT")):
        text = open(os.path.join(folder, listing_file), encoding="cp1252",
                    errors="replace").read()
        own, _, totals = text.partition("LISTING OF TOTAL ESTIMATES")
        listing = parse_listing(own)
        results = stations[station_file]["results"]
        row = rows[station_file]
        place = f"{where} {listing_file}"
        for name, label, units in STATION:
            printed = listing.get(label)
            if printed is None:
                c.check(name not in REQUIRED, f"{place}: no line {label!r} for {name}")
                continue
            compare(c, f"{place} JSON", name, results.get(name), printed, units)
            cell = row.get(name, "")
            compare(c, f"{place} CSV", name, float(cell) if cell else cell, printed, units)
        if totals:
            total_lines = parse_listing(totals)
            for name, label, units in TOTALS:
                printed = total_lines.get(label)
                if c.check(printed is not None, f"{place}: no totals line {label!r}"):
                    compare(c, f"{place} totals", name, doc["totals"].get(name), printed, units)

    # The signed estimates integrate every data line as read in double
    # precision. TQF.DAT holds no negative concentration and is analysed
    # line by line: they are the listing's values to single precision (with
    # the flow-zone arrival taken off the mean alike). GDS.DAT is analysed as
    # group means of 16 lines: the same curve, thinned, within 1e-4.
    for station_file, tolerance in (("TQF.DAT", 2e-5), ("GDS.DAT", 1e-4)):
        results = stations[station_file]["results"]
        for name in ("recovered_mass_kg", "percent_recovery", "mean_transit_time_h"):
            listed, signed = results[name], results["signed_" + name]
            c.check(signed is not None and abs(signed - listed) <= tolerance * abs(listed),
                    f"{where} {station_file}: signed_{name} {signed} against the listing's "
                    f"{listed}")
        c.check(stations[station_file]["data_lines"] >= stations[station_file]["samples_analysed"],
                f"{where} {station_file}: more samples analysed than data lines")
    gds = stations["GDS.DAT"]
    c.check(gds["test_description"]["data_reduction"] ==
            "group means of 16 lines: as the header's data-reduction mode 2 asks" and
            gds["test_description"]["data_reduction_asked"] == "group means",
            f"{where} GDS.DAT: data_reduction {gds['test_description']['data_reduction']!r}")
    c.check(any("DATA LINES ARE ANALYSED AS" in r["text"] for r in gds["reports"]),
            f"{where} GDS.DAT: no report of its thinning")

    # The totals are in the last listing only.
    c.check("LISTING OF TOTAL ESTIMATES" in open(os.path.join(folder, "GDS.OUT"),
                                                 encoding="cp1252", errors="replace").read(),
            f"{where}: GDS.OUT has no totals")
    return doc


def float32(x):
    return struct.unpack("f", struct.pack("f", x))[0]


def shortest_digits(x):
    """Significant digits of the shortest decimal that reads back as the same
    single-precision value."""
    for p in range(1, 10):
        if float32(float("%.*g" % (p, x))) == float32(x):
            return p
    return 9


def digits_of(text):
    """Significant digits of a JSON number (trailing zeros of an integer part
    count, as in 1500)."""
    mantissa = text.lower().partition("e")[0].lstrip("-")
    whole, _, fraction = mantissa.partition(".")
    digits = (whole + fraction).lstrip("0")
    return max(1, len(digits.rstrip("0") if fraction else digits))


def check_no_float_noise(c, folder, where):
    """Every single-precision value of the results file is written as the
    shortest decimal that reads back as the same value (0.1, not
    0.100000001)."""
    raw = open(os.path.join(folder, "r.json"), encoding="utf-8").read()
    doc = json.loads(raw)
    texts = []
    for station in doc["stations"]:
        for name, value in (station.get("results") or {}).items():
            # The signed estimates are doubles, written to their own digits.
            if isinstance(value, float) and not name.startswith("signed_"):
                texts.append((name, value))
    c.check('"release_duration_h": 0.1,' in raw, f"{where}: the release duration is not 0.1")
    for name, value in texts:
        text = json.dumps(value)
        c.check(digits_of(text) <= shortest_digits(value),
                f"{where}: {name} is written {text}, longer than the float needs")


def replace_line(path, number, text):
    with open(path, encoding="cp1252") as f:
        lines = f.read().split("\n")
    lines[number - 1] = text
    with open(path, "w", encoding="cp1252") as f:
        f.write("\n".join(lines))


def main():
    exe, work = common.usage(sys.argv, ["KALDERO", "WORK"])
    exe = os.path.abspath(exe)
    c = common.Checks()
    folder = common.copy_examples(os.path.join(work, "plain"))
    plain = agreement(c, exe, folder, "example")
    if plain is not None:
        check_no_float_noise(c, folder, "example")

    # A flow-zone arrival above 0 and a distance in miles.
    folder = common.copy_examples(os.path.join(work, "arrival"))
    replace_line(os.path.join(folder, "KALDERO.D"), 8, "0.5")
    miles = 0.0932
    replace_line(os.path.join(folder, "TQF.DAT"), 15, f"4  {miles}")
    shifted = agreement(c, exe, folder, "arrival 0.5 h, miles")
    if plain is None or shifted is None:
        return c.finish()
    before = {s["station_file"]: s["results"] for s in plain["stations"]}
    after = {s["station_file"]: s["results"] for s in shifted["stations"]}
    metres = miles * 1609.344
    c.check(abs(after["TQF.DAT"]["travel_distance_m"] - metres) <= 1e-4 * metres,
            f"0.0932 mi is {after['TQF.DAT']['travel_distance_m']} m, not {metres:.6g} m")
    for station in ("TQF.DAT", "GDS.DAT"):
        # The arrival is taken off the mean transit time, and the velocities
        # (and their spread) are corrected for it.
        c.check(abs(after[station]["mean_transit_time_h"] -
                    (before[station]["mean_transit_time_h"] - 0.5)) <= 1e-4,
                f"{station}: mean transit time {after[station]['mean_transit_time_h']} with the "
                f"arrival, {before[station]['mean_transit_time_h']} without")
        spread = after[station].get("velocity_standard_deviation_m_per_s")
        if spread is not None and before[station].get("velocity_standard_deviation_m_per_s"):
            c.check(spread != before[station]["velocity_standard_deviation_m_per_s"],
                    f"{station}: the velocity spread is not corrected for the arrival")
    return c.finish()


if __name__ == "__main__":
    sys.exit(main())
