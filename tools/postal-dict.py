#!/usr/bin/env python3
"""Converts Japan Post's postal data, as carried by the npm package
jquery-jpostal-ja, into the compact postal dictionary data/postal/jpostal.dat.

    tools/postal-dict.py [--tarball FILE]

Fetches the pinned version with `npm pack` (or takes the given tarball), checks
its sha1 and sha512 against the pinned values, and writes the dictionary and
data/postal/NOTICE (version, date, checksums, notices). Run it again with a new
pin to update; the build itself never touches the network.

The dictionary is zlib data behind a 4-byte big-endian length (what Qt's
qUncompress reads). Inside, UTF-8 text in lines:
    KANRO-POSTAL 1
    P <prefecture>                                  47 lines, index by order
    C <prefecture index> <city>                     one per distinct city
    <code>\t<city index>\t<town>[\t<street>\t<office>]   sorted by code
A code appears once per town it covers; business-office codes carry the
office's street and name.
"""
import argparse, base64, datetime, hashlib, json, os, subprocess, sys, tarfile, tempfile, zlib

PACKAGE = "jquery-jpostal-ja"
VERSION = "2.14.73"
SHA1 = "2504e29448d017185904cda275e1b0bf5bd17d21"
SHA512 = ("yuys0Np34p7WsmvVMcwQbkum6njYXdM8Ta22LGpa8xdjMpa/zxmda2Jtowk0T0uuuQSUXfaICACNAOd8dxCM7g==")

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT_DIR = os.path.join(ROOT, "data", "postal")


def fetch(workdir):
    subprocess.run(["npm", "pack", f"{PACKAGE}@{VERSION}", "--silent"], cwd=workdir,
                   check=True, stdout=subprocess.DEVNULL)
    return os.path.join(workdir, f"{PACKAGE}-{VERSION}.tgz")


def check(path):
    blob = open(path, "rb").read()
    sha1 = hashlib.sha1(blob).hexdigest()
    sha512 = base64.b64encode(hashlib.sha512(blob).digest()).decode()
    if sha1 != SHA1 or sha512 != SHA512:
        sys.exit(f"checksum mismatch for {path}: sha1 {sha1}, sha512 {sha512}")
    return sha1, sha512


def clean(text):
    # Fields are strings; anything else (or a line break inside) is refused.
    if not isinstance(text, str) or "\n" in text or "\t" in text:
        raise ValueError(f"unexpected field {text!r}")
    return text.replace("\u3000", " ").strip()


def rows_of(tar):
    rows = []
    for member in tar.getmembers():
        name = member.name
        if not (name.startswith("package/json/") and name.endswith(".json")):
            continue
        stem = os.path.basename(name)[:-5]
        if not stem.isdigit():
            continue
        text = tar.extractfile(member).read().decode("utf-8")
        text = text[text.index("(") + 1:text.rindex(")")]
        for r in json.loads(text):
            code = r[0].lstrip("_")
            if code == "000info":  # the data's own version and dates
                rows_of.info = clean(r[2])
                continue
            if len(code) == 3 and code.isdigit():  # a file's empty placeholder
                continue
            if len(code) != 7 or not code.isdigit():
                raise ValueError(f"bad code {r[0]!r}")
            rows.append((code, clean(r[1]), clean(r[2]), clean(r[3]), clean(r[4]), clean(r[5])))
    return rows


def convert(rows):
    prefs, cities, lines = [], {}, []
    for code, pref, city, town, street, office in sorted(rows, key=lambda r: r[0]):  # Japan Post's order within a code
        if pref not in prefs:
            prefs.append(pref)
        key = (prefs.index(pref), city)
        if key not in cities:
            cities[key] = len(cities)
        line = f"{code}\t{cities[key]}\t{town}"
        if street or office:
            line += f"\t{street}\t{office}"
        lines.append(line)
    head = ["KANRO-POSTAL 1"] + [f"P {p}" for p in prefs]
    head += [f"C {p} {c}" for (p, c), _ in sorted(cities.items(), key=lambda kv: kv[1])]
    text = "\n".join(head + lines).encode("utf-8") + b"\n"
    return len(text).to_bytes(4, "big") + zlib.compress(text, 9), len(prefs), len(cities)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--tarball")
    args = ap.parse_args()
    with tempfile.TemporaryDirectory() as tmp:
        path = args.tarball or fetch(tmp)
        sha1, sha512 = check(path)
        with tarfile.open(path) as tar:
            rows = rows_of(tar)
    blob, nprefs, ncities = convert(rows)
    os.makedirs(OUT_DIR, exist_ok=True)
    with open(os.path.join(OUT_DIR, "jpostal.dat"), "wb") as f:
        f.write(blob)
    today = datetime.date.today().isoformat()
    with open(os.path.join(OUT_DIR, "NOTICE"), "w", encoding="utf-8") as f:
        f.write(f"""Postal dictionary jpostal.dat
=============================

Source:     npm package {PACKAGE} {VERSION} (https://www.npmjs.com/package/{PACKAGE})
sha1:       {sha1}
integrity:  sha512-{sha512}
Data:       {getattr(rows_of, "info", "?")} (version, address data, office data)
Converted:  {today} by tools/postal-dict.py
Contents:   {len(rows)} entries, {nprefs} prefectures, {ncities} cities
            (address codes and business-office codes)
dat sha256: {hashlib.sha256(blob).hexdigest()}

Notices
-------
The postal code data is Japan Post's (日本郵便株式会社) "郵便番号データ"
(address codes, ken_all) and "事業所の個別郵便番号" (jigyosyo). Japan Post
publishes it for free use and claims no copyright on it.

The package {PACKAGE} (© Ninton G.K.) is released under the MIT license; of it
only the data is used here, converted into another form.
""")


if __name__ == "__main__":
    main()
