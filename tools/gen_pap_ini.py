#!/usr/bin/env python3
"""Writes the shipped pap.ini: operator presets taken from Debian's mobile-broadband-provider-info
database (serviceproviders.xml, public domain).

    gen_pap_ini.py SERVICEPROVIDERS_XML OUTPUT [PACKAGE_VERSION]

One line per preset, "name,user,password,number,APN", in the ANSI code page of the shipped Chinese
default (GBK) with Windows line ends, after one comment line saying where the data came from. The
operators are the main ones of the markets of the shipped languages; the database gives user,
password and APN, the technology gives the number (*99# for GSM/UMTS/LTE, #777 for CDMA). Any
operator or access point missing from the database, a text the program could not hold, or a
missing database fails the build: an empty or partial file is never shipped.
"""
import os
import sys
import xml.etree.ElementTree as ET

MAX_PRESETS = 32        # the account page keeps at most this many lines
MAX_FIELD_CHARS = 32    # each account field holds at most this many characters
ENCODING = "gbk"
NUMBERS = {"gsm": "*99#", "cdma": "#777"}

# (country code, provider name in the database, technology, APN for gsm, name shown or None).
# The name shown is the database's own (its Chinese one where it has one) unless given here; the
# mainland operators are shown by their Chinese names, as users there know them. Listed in the
# order the account page shows them; the first one is what its "default" button fills in.
PRESETS = [
    ("cn", "China Mobile", "gsm", "cmnet", "中国移动"),
    ("cn", "China Unicom", "gsm", "3gnet", "中国联通"),
    ("cn", "China Telecom", "cdma", None, "中国电信"),
    ("tw", "Chunghwa Telecom (emome)", "gsm", "emome", None),
    ("tw", "Far EasTone / KGT", "gsm", "internet", None),
    ("tw", "TW Mobile", "gsm", "internet", None),
    ("hk", "CSL", "gsm", "internet", None),
    ("hk", "China Mobile", "gsm", "peoples.net", None),
    ("hk", "SmarTone", "gsm", "internet", None),
    ("us", "AT&T", "gsm", "broadband", None),
    ("us", "Verizon", "gsm", "vzwinternet", None),
    ("us", "T-Mobile", "gsm", "fast.t-mobile.com", None),
    ("gb", "EE", "gsm", "everywhere", None),
    ("gb", "O2", "gsm", "mobile.o2.co.uk", None),
    ("gb", "Vodafone", "gsm", "internet", None),
    ("ca", "Rogers", "gsm", "ltemobile.apn", None),
    ("ca", "Bell Mobility", "gsm", "inet.bell.ca", None),
    ("au", "Telstra", "gsm", "telstra.internet", None),
    ("au", "Optus", "gsm", "connect", None),
    ("es", "Movistar (Telefónica)", "gsm", "movistar.es", None),
    ("es", "Vodafone", "gsm", "ac.vodafone.es", None),
    ("es", "Orange", "gsm", "internet", None),
    ("mx", "Telcel", "gsm", "internet.itelcel.com", None),
    ("mx", "Movistar", "gsm", "internet.movistar.mx", None),
    ("ar", "Claro", "gsm", "gprs.claro.com.ar", None),
    ("co", "Claro", "gsm", "internet.comcel.com.co", None),
    ("cl", "Entel PCS", "gsm", "imovil.entelpcs.cl", None),
    ("jp", "NTTdocomo", "gsm", "mopera.net", None),
    ("jp", "Softbank Mobile", "gsm", "softbank", None),
    ("jp", "au(KDDI)", "cdma", None, None),
]

ZH_NAME = "{http://www.w3.org/XML/1998/namespace}lang"


def fail(message):
    sys.exit("gen_pap_ini.py: " + message)


def text_of(element, tag):
    found = element.find(tag) if element is not None else None
    return (found.text or "").strip() if found is not None and found.text else ""


def find_provider(root, country, name):
    for c in root.findall("country"):
        if c.get("code") != country:
            continue
        for provider in c.findall("provider"):
            if any((n.text or "").strip() == name for n in provider.findall("name")):
                return provider
    fail(f"operator '{name}' ({country}) is not in the database")


def shown_name(provider, country, override):
    if override:
        name = override
    else:
        chinese = [n.text for n in provider.findall("name") if n.get(ZH_NAME) == "zh" and n.text]
        plain = [n.text for n in provider.findall("name") if n.get(ZH_NAME) is None and n.text]
        name = (chinese or plain)[0].strip()
    return f"{country.upper()} {name}"


def preset_fields(provider, country, name, tech, apn):
    if tech == "cdma":
        cdma = provider.find("cdma")
        if cdma is None:
            fail(f"operator '{name}' ({country}) has no CDMA settings")
        return text_of(cdma, "username"), text_of(cdma, "password"), NUMBERS[tech], ""
    gsm = provider.find("gsm")
    for entry in gsm.findall("apn") if gsm is not None else []:
        usage = entry.find("usage")
        if entry.get("value") == apn and (usage is None or "internet" in usage.get("type", "")):
            return text_of(entry, "username"), text_of(entry, "password"), NUMBERS[tech], apn
    fail(f"operator '{name}' ({country}) has no internet access point '{apn}'")


def main():
    if len(sys.argv) not in (3, 4):
        fail("usage: gen_pap_ini.py SERVICEPROVIDERS_XML OUTPUT [PACKAGE_VERSION]")
    source, output = sys.argv[1], sys.argv[2]
    version = sys.argv[3] if len(sys.argv) == 4 else ""
    try:
        root = ET.parse(source).getroot()
    except (OSError, ET.ParseError) as error:
        fail(f"cannot read the provider database {source}: {error} "
             "(install the package mobile-broadband-provider-info: tools/setup.sh)")
    if len(PRESETS) > MAX_PRESETS:
        fail(f"{len(PRESETS)} presets, the program shows {MAX_PRESETS}")

    lines = []
    for country, name, tech, apn, override in PRESETS:
        provider = find_provider(root, country, name)
        fields = (shown_name(provider, country, override),) + preset_fields(provider, country, name, tech, apn)
        for field in fields:
            if any(c in field for c in ",\r\n\0"):
                fail(f"'{field}' of '{name}' ({country}) cannot be a pap.ini field")
        if any(len(field) > MAX_FIELD_CHARS for field in fields[1:]):
            fail(f"a field of '{name}' ({country}) is longer than {MAX_FIELD_CHARS} characters")
        lines.append(",".join(fields))

    package = "mobile-broadband-provider-info" + (f" {version}" if version else "")
    header = (f"; Operator presets (name,user,password,number,APN) from Debian's {package}, "
              "serviceproviders.xml (public domain); number *99# for GSM/UMTS/LTE, #777 for CDMA")
    try:
        data = "\r\n".join([header] + lines).encode(ENCODING) + b"\r\n"
    except UnicodeEncodeError as error:
        fail(f"a preset cannot be written in {ENCODING}: {error}")
    temporary = output + ".tmp"
    with open(temporary, "wb") as out:
        out.write(data)
    os.replace(temporary, output)


if __name__ == "__main__":
    main()
