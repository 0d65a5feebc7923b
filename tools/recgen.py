#!/usr/bin/env python3
"""Record generator: reads the service modules' record definitions
(services/defs/*.rec) and writes, per module, <Module>.h and <Module>.cpp:
the record classes with their presence words, their marshalling, the list
names, the field descriptor tables where asked for, and for interfaces the
client stub class, the server-side servant class and its registration.

usage: recgen.py OUTPUT_DIR DEFINITION...

All definitions are read together, so records may refer to records of other
modules. A file is only rewritten when its content changes, so a build only
recompiles what a definition change touched.
"""

import os
import re
import sys

SCALARS = {
    # type: (C++ type, descriptor type code, returned by value)
    "int16": ("std::int16_t", 3, True),
    "int32": ("std::int32_t", 4, True),
    "int64": ("std::int64_t", 5, True),
    "text": ("std::string", 2, False),
    "datetime": ("CBSDateTime", 10, False),
}


class DefError(Exception):
    pass


class Field:
    def __init__(self, name, type_text, where):
        self.name = name
        self.type_text = type_text
        self.where = where
        self.kind = None  # scalar, record, list
        self.target = None  # (module, record) for record and list


class Record:
    def __init__(self, module, name, descriptors, where):
        self.module = module
        self.name = name
        self.descriptors = descriptors
        self.where = where
        self.fields = []


class Operation:
    def __init__(self, name, code, in_type, in_name, out_type, out_name, where):
        self.name = name
        self.code = code
        self.in_type = in_type
        self.in_name = in_name
        self.out_type = out_type
        self.out_name = out_name
        self.where = where


class Interface:
    def __init__(self, module, name, package, wire_name, where):
        self.module = module
        self.name = name
        self.package = package
        self.wire_name = wire_name
        self.where = where
        self.ops = []


class Module:
    def __init__(self, name, path):
        self.name = name
        self.path = path
        self.records = []
        self.interfaces = []


IDENT = re.compile(r"[A-Za-z_][A-Za-z0-9_]*$")


def parse(path):
    module = None
    current = None
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    for number, raw in enumerate(lines, 1):
        where = "%s:%d" % (path, number)
        line = raw.split("#", 1)[0].rstrip()
        if not line.strip():
            continue
        words = line.split()
        indented = line[0] in " \t"
        if not indented:
            current = None
            if words[0] == "module":
                if len(words) != 2 or not IDENT.match(words[1]):
                    raise DefError("%s: expected 'module NAME'" % where)
                if module is not None:
                    raise DefError("%s: a file defines one module" % where)
                stem = os.path.splitext(os.path.basename(path))[0]
                if words[1] != stem:
                    raise DefError("%s: module %s must live in %s.rec" % (where, words[1], words[1]))
                module = Module(words[1], path)
            elif module is None:
                raise DefError("%s: the file must begin with 'module NAME'" % where)
            elif words[0] == "record":
                if len(words) not in (2, 3) or not IDENT.match(words[1]) or (
                        len(words) == 3 and words[2] != "descriptors"):
                    raise DefError("%s: expected 'record NAME [descriptors]'" % where)
                current = Record(module.name, words[1], len(words) == 3, where)
                if any(r.name == current.name for r in module.records):
                    raise DefError("%s: record %s is defined twice" % (where, current.name))
                module.records.append(current)
            elif words[0] == "interface":
                m = re.match(r"interface (\w+) package (\w+) name (\w+)$", " ".join(words))
                if not m:
                    raise DefError("%s: expected 'interface NAME package P name N'" % where)
                current = Interface(module.name, m.group(1), m.group(2), m.group(3), where)
                module.interfaces.append(current)
            else:
                raise DefError("%s: unknown line '%s'" % (where, line.strip()))
        elif isinstance(current, Record):
            if len(words) != 2 or not IDENT.match(words[0]):
                raise DefError("%s: expected 'FIELD TYPE'" % where)
            if any(fl.name == words[0] for fl in current.fields):
                raise DefError("%s: field %s appears twice in %s" % (where, words[0], current.name))
            current.fields.append(Field(words[0], words[1], where))
            if len(current.fields) > 64:
                raise DefError("%s: %s has more than 64 fields; presence words hold 64" % (where, current.name))
        elif isinstance(current, Interface):
            m = re.match(r"op (\w+) (\w{8}) (\S+) (\w+) -> (\S+) (\w+)$", " ".join(words))
            if not m:
                raise DefError("%s: expected 'op NAME CODE IN_TYPE IN_NAME -> OUT_TYPE OUT_NAME'" % where)
            current.ops.append(Operation(*m.groups(), where=where))
        else:
            raise DefError("%s: an indented line belongs to a record or an interface" % where)
    if module is None:
        raise DefError("%s: no module" % path)
    return module


def resolve(modules):
    known = {(m.name, r.name): r for m in modules.values() for r in m.records}

    def target(module, text, where):
        if "::" in text:
            mod, name = text.split("::", 1)
        else:
            mod, name = module, text
        if (mod, name) not in known:
            raise DefError("%s: unknown record %s" % (where, text))
        return (mod, name)

    for m in modules.values():
        for r in m.records:
            for f in r.fields:
                t = f.type_text
                if t in SCALARS:
                    f.kind = "scalar"
                elif t.startswith("list<") and t.endswith(">"):
                    f.kind = "list"
                    f.target = target(m.name, t[5:-1], f.where)
                else:
                    f.kind = "record"
                    f.target = target(m.name, t, f.where)
            if r.descriptors and any(f.kind != "scalar" for f in r.fields):
                raise DefError("%s: descriptor tables hold scalar fields only" % r.where)
        for i in m.interfaces:
            for op in i.ops:
                for attr in ("in_type", "out_type"):
                    t = getattr(op, attr)
                    if t in SCALARS:
                        continue
                    inner = t[5:-1] if t.startswith("list<") and t.endswith(">") else t
                    target(m.name, inner, op.where)
    return known


def cpp_record(module, target):
    mod, name = target
    return name if mod == module else "%s::%s" % (mod, name)


def cpp_type(module, f):
    if f.kind == "scalar":
        return SCALARS[f.type_text][0]
    if f.kind == "record":
        return cpp_record(module, f.target)
    return cpp_record(module, f.target) + "List"


def cpp_param_type(module, t):
    if t in SCALARS:
        return SCALARS[t][0]
    if t.startswith("list<"):
        inner = t[5:-1]
        return (inner if "::" in inner else inner) + "List"
    return t


def ordered(module):
    """Records of a module with each one after the records it holds by value."""
    by_name = {r.name: r for r in module.records}
    done, out = set(), []

    def visit(r, stack):
        if r.name in done:
            return
        if r.name in stack:
            raise DefError("%s: %s holds itself" % (r.where, r.name))
        for f in r.fields:
            if f.kind in ("record", "list") and f.target[0] == module.name:
                visit(by_name[f.target[1]], stack | {r.name})
        done.add(r.name)
        out.append(r)

    for r in module.records:
        visit(r, set())
    return out


def dependencies(module):
    deps = set()
    for r in module.records:
        for f in r.fields:
            if f.target and f.target[0] != module.name:
                deps.add(f.target[0])
    for i in module.interfaces:
        for op in i.ops:
            for t in (op.in_type, op.out_type):
                inner = t[5:-1] if t.startswith("list<") else t
                if "::" in inner:
                    deps.add(inner.split("::")[0])
    return sorted(deps)


def header(module, source):
    out = []
    w = out.append
    w("// Generated by tools/recgen.py from %s; edit the definition, not this file." % source)
    w("#pragma once")
    w("")
    w("#include <cstdint>")
    if module.interfaces:
        w("#include <memory>")
    w("#include <string>")
    w("#include <vector>")
    w("")
    w('#include "cbsdatetime.h"')
    w('#include "zpb_record.h"')
    w('#include "zpb_stream.h"')
    if module.interfaces:
        w('#include "zpd_stub.h"')
    for d in dependencies(module):
        w('#include "%s.h"' % d)
    w("")
    w("namespace %s {" % module.name)
    for r in ordered(module):
        w("")
        w("class %s {" % r.name)
        w(" public:")
        w('  static constexpr zpb_name kStructName{"%s.%s"};' % (module.name, r.name))
        w('  static constexpr zpb_name kListName{"%s..%sList"};' % (module.name, r.name))
        w("  static constexpr int kFieldCount = %d;" % len(r.fields))
        for i, f in enumerate(r.fields):
            w("  static constexpr int kIdx_%s = %d;" % (f.name, i))
        if r.descriptors:
            w("  static const zpb_field_desc kFieldTable[kFieldCount];")
        w("")
        for i, f in enumerate(r.fields):
            t = cpp_type(module.name, f)
            by_value = f.kind == "scalar" and SCALARS[f.type_text][2]
            if by_value:
                w("  %s get_%s() const { return m_%s; }" % (t, f.name, f.name))
                w("  void set_%s(%s v) {" % (f.name, t))
                w("    m_%s = v;" % f.name)
            else:
                w("  const %s& get_%s() const { return m_%s; }" % (t, f.name, f.name))
                w("  void set_%s(%s v) {" % (f.name, t))
                w("    m_%s = std::move(v);" % f.name)
            w("    mark(%d);" % i)
            w("  }")
        if r.descriptors:
            w("")
            w("  // The field whose presence bit is i, whether or not that bit is set;")
            w("  // an empty text for an index outside the record.")
            w("  zpb_value get_by_index(int i) const;")
            w("  // Sets like the field's setter; false (and nothing changed) for an")
            w("  // index outside the record or a value of another type.")
            w("  bool set_by_index(int i, const zpb_value& v);")
        w("")
        w("  bool operator==(const %s&) const = default;" % r.name)
        w("")
        w("  friend bool zpb_write(zpb_stream& s, const %s& r);" % r.name)
        w("  friend bool zpb_read(zpb_stream& s, %s& r);" % r.name)
        w("")
        w(" private:")
        w("  void mark(int i) {")
        w("    UsedMarker |= std::uint64_t{1} << i;")
        w("    Marker |= std::uint64_t{1} << i;")
        w("  }")
        for f in r.fields:
            t = cpp_type(module.name, f)
            init = "{}" if not (f.kind == "scalar" and SCALARS[f.type_text][2]) else " = 0"
            w("  %s m_%s%s;" % (t, f.name, init))
        w("")
        w(" public:")
        w("  std::uint64_t UsedMarker = 0;")
        w("  std::uint64_t Marker = 0;")
        w("};")
        w("using %sList = std::vector<%s>;" % (r.name, r.name))
        w("bool zpb_write(zpb_stream& s, const %s& r);" % r.name)
        w("bool zpb_read(zpb_stream& s, %s& r);" % r.name)
    for itf in module.interfaces:
        w("")
        for op in itf.ops:
            qualified = "%s.%s.%s.%s" % (itf.package, module.name, itf.name, op.name)
            w("inline constexpr zpd_operation %s_%s{" % (itf.name, op.name))
            w('    "%s", "%s", "%s", "%s::%s::%s",' % (itf.wire_name, op.code, qualified, module.name, itf.name,
                                                      op.name))
            w('    zpb_name("%s.ParamIn"), zpb_name("%s.ParamOut"), "%s", "%s"};' % (qualified, qualified, op.in_name,
                                                                                   op.out_name))
        w("")
        w("// Client of the %s interface; bind it to a broker before calling." % itf.name)
        w("class %s : public CZpdClientObject {" % itf.name)
        w(" public:")
        for op in itf.ops:
            w("  std::int32_t %s(const %s& %s, %s& %s, CBSErrorMsg& cErrorMsg, SZPSession* session);" % (
                op.name, cpp_param_type(module.name, op.in_type), op.in_name,
                cpp_param_type(module.name, op.out_type), op.out_name))
        w("  std::int32_t reserved_slot() override;")
        w("};")
        w("")
        w("// The server's side of %s: one handler per operation." % itf.name)
        w("class %sServant {" % itf.name)
        w(" public:")
        w("  virtual ~%sServant() = default;" % itf.name)
        for op in itf.ops:
            w("  virtual std::int32_t %s(const %s& %s, %s& %s, CBSErrorMsg& cErrorMsg) = 0;" % (
                op.name, cpp_param_type(module.name, op.in_type), op.in_name,
                cpp_param_type(module.name, op.out_type), op.out_name))
        w("};")
        w("")
        w("// Adds every operation of %s to a dispatcher, served by `servant`." % itf.name)
        w("void register_%s(zpd_dispatcher& d, std::shared_ptr<%sServant> servant);" % (itf.name, itf.name))
    w("")
    w("}  // namespace %s" % module.name)
    w("")
    return "\n".join(out)


def source(module, source_path):
    out = []
    w = out.append
    w("// Generated by tools/recgen.py from %s; edit the definition, not this file." % source_path)
    w('#include "%s.h"' % module.name)
    w("")
    w("namespace %s {" % module.name)
    for r in ordered(module):
        n = len(r.fields)
        mask = "~std::uint64_t{0}" if n == 64 else "((std::uint64_t{1} << %d) - 1)" % n
        w("")
        if r.descriptors:
            w("const zpb_field_desc %s::kFieldTable[%s::kFieldCount] = {" % (r.name, r.name))
            for f in r.fields:
                w('    {"%s", %d},' % (f.name, SCALARS[f.type_text][1]))
            w("};")
            w("")
            w("zpb_value %s::get_by_index(int i) const {" % r.name)
            w("  switch (i) {")
            for i, f in enumerate(r.fields):
                w("    case %d: return zpb_value(m_%s);" % (i, f.name))
            w("    default: return zpb_value(std::string());")
            w("  }")
            w("}")
            w("")
            w("bool %s::set_by_index(int i, const zpb_value& v) {" % r.name)
            w("  switch (i) {")
            for i, f in enumerate(r.fields):
                t = SCALARS[f.type_text][0]
                w("    case %d:" % i)
                w("      if (const auto* p = std::get_if<%s>(&v)) {" % t)
                w("        set_%s(*p);" % f.name)
                w("        return true;")
                w("      }")
                w("      return false;")
            w("    default: return false;")
            w("  }")
            w("}")
            w("")
        w("bool zpb_write(zpb_stream& s, const %s& r) {" % r.name)
        w("  const std::uint64_t used = r.UsedMarker & %s;" % mask)
        w("  const std::uint64_t marker = r.Marker;")
        w("  s.begin_write_struct(%s::kStructName);" % r.name)
        w("  s << marker << used;")
        for i, f in enumerate(r.fields):
            if f.kind == "scalar":
                stmt = "s << r.m_%s;" % f.name
            elif f.kind == "record":
                stmt = "zpb_write(s, r.m_%s);" % f.name
            else:
                stmt = "::zpb_write(s, r.m_%s);" % f.name
            w("  if (used & (std::uint64_t{1} << %d)) %s" % (i, stmt))
        w("  s.end_write_struct();")
        w("  return s.good();")
        w("}")
        w("")
        w("bool zpb_read(zpb_stream& s, %s& r) {" % r.name)
        w("  if (!s.begin_read_struct(%s::kStructName)) return false;" % r.name)
        w("  std::uint64_t marker = 0, used = 0;")
        w("  s >> marker >> used;")
        w("  if (s.failed()) return false;")
        w("  if (used & ~%s) {" % mask)
        w('    s.fail("record %s.%s carries fields it does not have");' % (module.name, r.name))
        w("    return false;")
        w("  }")
        w("  r.Marker = marker;")
        w("  r.UsedMarker = used;")
        for i, f in enumerate(r.fields):
            if f.kind == "scalar":
                w("  if (used & (std::uint64_t{1} << %d)) {" % i)
                w("    s >> r.m_%s;" % f.name)
                w("    if (s.failed()) return false;")
                w("  }")
            else:
                call = "zpb_read" if f.kind == "record" else "::zpb_read"
                w("  if ((used & (std::uint64_t{1} << %d)) && !%s(s, r.m_%s)) return false;" % (i, call, f.name))
        w("  return s.end_read_struct();")
        w("}")
    for itf in module.interfaces:
        for op in itf.ops:
            it = cpp_param_type(module.name, op.in_type)
            ot = cpp_param_type(module.name, op.out_type)
            w("")
            w("std::int32_t %s::%s(const %s& %s, %s& %s, CBSErrorMsg& cErrorMsg, SZPSession* session) {" % (
                itf.name, op.name, it, op.in_name, ot, op.out_name))
            w("  return zpd_invoke(*this, %s_%s, %s, %s, cErrorMsg, session);" % (itf.name, op.name, op.in_name,
                                                                                 op.out_name))
            w("}")
        w("")
        w("std::int32_t %s::reserved_slot() { return ZPE_CLN_RESERVED_SLOT; }" % itf.name)
        w("")
        w("void register_%s(zpd_dispatcher& d, std::shared_ptr<%sServant> servant) {" % (itf.name, itf.name))
        for op in itf.ops:
            it = cpp_param_type(module.name, op.in_type)
            ot = cpp_param_type(module.name, op.out_type)
            w('  d.add("%s", "%s",' % (itf.wire_name, op.code))
            w("        zpd_serve<%s, %s>(%s_%s, [servant](const %s& in, %s& out, CBSErrorMsg& err) {" % (
                it, ot, itf.name, op.name, it, ot))
            w("          return servant->%s(in, out, err);" % op.name)
            w("        }));")
        w("}")
    w("")
    w("}  // namespace %s" % module.name)
    w("")
    return "\n".join(out)


def write_if_changed(path, text):
    try:
        with open(path, encoding="utf-8") as f:
            if f.read() == text:
                return
    except FileNotFoundError:
        pass
    tmp = path + ".tmp"
    with open(tmp, "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(tmp, path)


def main(argv):
    if len(argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    outdir, paths = argv[1], argv[2:]
    try:
        modules = {}
        for p in paths:
            m = parse(p)
            if m.name in modules:
                raise DefError("%s: module %s is also defined in %s" % (p, m.name, modules[m.name].path))
            modules[m.name] = m
        resolve(modules)
        os.makedirs(outdir, exist_ok=True)
        for m in modules.values():
            rel = os.path.join("services", "defs", os.path.basename(m.path))
            write_if_changed(os.path.join(outdir, m.name + ".h"), header(m, rel))
            write_if_changed(os.path.join(outdir, m.name + ".cpp"), source(m, rel))
    except DefError as e:
        sys.stderr.write("recgen: %s\n" % e)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
