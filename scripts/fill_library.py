#!/usr/bin/env python3
"""Fills a Brela library with COUNT copies of its predefined forms, in one
transaction, for benchmarks and for trying the program on a large library.
   fill_library.py FACTURAS.DB COUNT
FormIDs start after the highest stored one and skip 9999, the working copy."""
import sqlite3
import sys

path, count = sys.argv[1], int(sys.argv[2])
kinds = ["Factura", "Remito", "Nota de Crédito", "Nota de Débito", "Recibo", "Presupuesto"]
places = ["Córdoba", "Neuquén", "Sucursal Norte", "Casa Central", "Depósito", "Pequeña Empresa",
          "Almacén", "Librería", "Ferretería", "Panadería", "Óptica", "Farmacia", "Tucumán"]
forms = "FormHeight, FormWidth, FormUnit, FormCPI, FormMarTop, FormMarBot, FormMarLeft, FormMarRight, FormItemOrder, FormPrModel"
zones = ("ZoneID, ZoneDescr, ZoneTop, ZoneBot, ZoneLeft, ZoneRight, ZoneMinHeight, ZoneMinWidth, ZoneRequiered, "
         "ZoneHoriFree, ZoneVisible, ZoneParent")
messages = "ZoneID, MsgID, MsgDesc, MsgText, MsgMaxLength, MsgVisible, MsgRequiered, MsgSystem, MsgIDOut, MsgHide"

db = sqlite3.connect(path, isolation_level=None)
c = db.cursor()
sources = [row[0] for row in c.execute("SELECT FormID FROM Forms WHERE FormLock<>0 AND FormID<>9999 ORDER BY FormID")]
start = c.execute("SELECT COALESCE(MAX(FormID), 0) FROM Forms WHERE FormID<>9999").fetchone()[0] + 1
c.execute("BEGIN")
form_id = start
for n in range(count):
    if form_id == 9999:
        form_id += 1
    source = sources[n % len(sources)]
    name = f"{kinds[n % len(kinds)]} {places[(n // len(kinds)) % len(places)]} {n + 1:05d}"
    changed = None if n % 3 else f"2026-{1 + n % 12:02d}-{1 + n % 28:02d} {n % 24:02d}:{n % 60:02d}:00"
    c.execute(f"INSERT INTO Forms (FormID, FormDescr, FormLock, FormChanged, {forms}) "
              f"SELECT ?, ?, 0, ?, {forms} FROM Forms WHERE FormID=?", (form_id, name, changed, source))
    c.execute(f"INSERT INTO Zone (FormID, {zones}) SELECT ?, {zones} FROM Zone WHERE FormID=?", (form_id, source))
    c.execute(f"INSERT INTO Message (FormID, {messages}) SELECT ?, {messages} FROM Message WHERE FormID=?",
              (form_id, source))
    form_id += 1
c.execute("COMMIT")
print(c.execute("SELECT COUNT(*) FROM Forms WHERE FormID<>9999").fetchone()[0])
