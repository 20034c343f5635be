#!/usr/bin/env python3
"""Reads the export of the sample phone back with Python's own readers: sms.xml with an XML
parser and the CSV files with a CSV reader. Exits non-zero when anything read back differs.

    check_formats.py EXPORT_SAMPLE WORK_DIR
"""
import csv
import os
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET

TRICKY = "Line one\nLine two with \"quotes\", <b>tags</b> & ampersands; it's 你好 😀"
DELETED = "Call me back, \"urgent\" <b>now</b> & then\nbye 👋"
SMS_ATTRIBUTES = ["protocol", "address", "date", "type", "subject", "body", "toa", "sc_toa", "service_center",
                  "read", "status", "locked", "date_sent", "readable_date", "contact_name"]

failures = []


def check(what, got, expected):
    if got != expected:
        failures.append(f"{what}: got {got!r}, expected {expected!r}")


def check_sms_xml(folder):
    root = ET.parse(os.path.join(folder, "sms.xml")).getroot()
    check("sms.xml root", root.tag, "smses")
    messages = list(root)
    check("sms.xml count attribute", root.get("count"), str(len(messages)))
    check("sms.xml messages", len(messages), 7)
    for sms in messages:
        check("sms.xml attributes", sorted(sms.attrib), sorted(SMS_ATTRIBUTES))
    bodies = [sms.get("body") for sms in messages]
    check("sms.xml tricky body read back", TRICKY in bodies, True)
    deleted = [sms for sms in messages if sms.get("body") == DELETED]
    check("sms.xml deleted message read back", len(deleted), 1)
    if deleted:
        check("sms.xml deleted contact name", deleted[0].get("contact_name"), "James O'Brien")
        check("sms.xml deleted type", deleted[0].get("type"), "1")
        check("sms.xml deleted readable date", deleted[0].get("readable_date"), "2024-03-05 21:07:09")


def read_csv(path):
    with open(path, "rb") as raw:
        check(f"{os.path.basename(path)} starts with a byte-order mark", raw.read(3), b"\xef\xbb\xbf")
    with open(path, encoding="utf-8-sig", newline="") as text:
        return list(csv.reader(text, strict=True))


def check_csv(folder):
    contacts = read_csv(os.path.join(folder, "contacts.csv"))
    check("contacts.csv header", contacts[0], ["name", "phones", "emails", "company", "other", "deleted"])
    check("contacts.csv rows", len(contacts) - 1, 6)
    ann = [row for row in contacts if row[0] == "Ann Smith"]
    check("contacts.csv Ann", ann[:1], [["Ann Smith", "+44 7700 900123 (Mobile)\n020 7946 0958 (Home)",
                                         "ann@example.com (Work Email)", "Smith, Jones & Co; Ltd", "", "no"]])
    james = [row for row in contacts if row[0] == "James O'Brien"]
    check("contacts.csv deleted company", james[0][3] if james else None, "O'Brien \"Plumbing\" & Sons")
    check("contacts.csv deleted column", [row[5] for row in contacts[1:]].count("yes"), 2)

    messages = read_csv(os.path.join(folder, "messages.csv"))
    check("messages.csv header", messages[0], ["contact", "address", "date", "direction", "body", "deleted"])
    check("messages.csv rows", len(messages) - 1, 7)
    for row in messages:
        check("messages.csv fields per row", len(row), 6)
    check("messages.csv tricky body read back",
          ["Ann Smith", "+44 7700 900123", "2024-01-01 10:05:00", "sent", TRICKY, "no"] in messages, True)
    check("messages.csv deleted message read back",
          ["James O'Brien", "07700 900123", "2024-03-05 21:07:09", "received", DELETED, "yes"] in messages, True)


def main():
    tool, work = sys.argv[1], sys.argv[2]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    folder = subprocess.run([tool, work], check=True, capture_output=True, text=True).stdout.strip()
    check_sms_xml(folder)
    check_csv(folder)
    for failure in failures:
        print(failure)
    print(f"{len(failures)} failures in {folder}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
