#!/usr/bin/env python3
"""Turns the probe class compiled by javac into a class file of version 45.3.

Usage: make_class45.py INPUT.class OUTPUT.class

The launcher runs the probe on every Java VM it finds, 1.0-generation VMs
included, and those load nothing newer than class-file version 45.3. javac
cannot target that version any more, so the class is compiled for Java 8 and
rewritten here: the version becomes 45.3 and the StackMapTable attributes,
which only the type-checking verifier of version 50 and later reads, are
dropped (HotSpot verifies a 45.3 class with the old inferencing verifier).

A class that still compiles for Java 8 may use what a 1.0 VM lacks (string +
compiles to StringBuilder, boxing to Integer.valueOf, a class literal to an
ldc of a class). Such a class would load on a modern VM and fail only on an
old one, so every member the class refers to must be on the allow-list
below, and anything else that a 1.0 class file cannot hold stops the
rewrite with a message and exit status 1. Nothing is written then.
"""

import os
import struct
import sys

THIS_CLASS = "TvqVersion"
ACC_SUPER = 0x0020
ACC_PUBLIC_STATIC = 0x0009
ACC_STATIC = 0x0008

# (name, descriptor, access flags), in the order the launcher's class has them.
EXPECTED_METHODS = [
    ("bail", "(Ljava/lang/String;)V", ACC_PUBLIC_STATIC),
    ("main", "([Ljava/lang/String;)V", ACC_PUBLIC_STATIC),
    ("inVersionRange", "(Ljava/lang/String;)Z", ACC_STATIC),
    ("featureVersion", "()I", ACC_STATIC),
    ("versionNumber", "(Ljava/lang/String;Z)I", ACC_STATIC),
    ("<init>", "()V", 0x0000),
]

# Members of the Java 1.0 class library that the probe may use, and its own
# methods. (kind, class, name, descriptor)
ALLOWED_MEMBERS = {
    ("method", "java/lang/String", "indexOf", "(I)I"),
    ("method", "java/lang/String", "indexOf", "(II)I"),
    ("method", "java/lang/String", "substring", "(II)Ljava/lang/String;"),
    ("method", "java/lang/String", "length", "()I"),
    ("method", "java/lang/String", "charAt", "(I)C"),
    ("method", "java/lang/String", "startsWith", "(Ljava/lang/String;)Z"),
    ("method", "java/lang/String", "equals", "(Ljava/lang/Object;)Z"),
    ("method", "java/lang/System", "getProperty",
     "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;"),
    ("method", "java/lang/System", "exit", "(I)V"),
    ("field", "java/lang/System", "out", "Ljava/io/PrintStream;"),
    ("method", "java/io/PrintStream", "print", "(Ljava/lang/String;)V"),
    ("method", "java/lang/Class", "forName",
     "(Ljava/lang/String;)Ljava/lang/Class;"),
    ("method", "java/lang/Object", "<init>", "()V"),
    ("method", THIS_CLASS, "bail", "(Ljava/lang/String;)V"),
    ("method", THIS_CLASS, "inVersionRange", "(Ljava/lang/String;)Z"),
    ("method", THIS_CLASS, "featureVersion", "()I"),
    ("method", THIS_CLASS, "versionNumber", "(Ljava/lang/String;Z)I"),
}

# Classes the constant pool may name: the owners above, and the one class
# the probe catches.
ALLOWED_CLASSES = {m[1] for m in ALLOWED_MEMBERS} | {"java/lang/Throwable"}

# Hints for the usual ways Java source pulls in post-1.0 library members.
MEMBER_HINTS = {
    "java/lang/StringBuilder": "string concatenation with +",
    "java/lang/invoke/StringConcatFactory": "string concatenation with +",
    "java/lang/Integer": "boxing or unboxing",
    "java/lang/Long": "boxing or unboxing",
    "java/lang/Boolean": "boxing or unboxing",
    "java/lang/Character": "boxing or unboxing",
    "java/util/Objects": "a null check that javac inserted",
}

# Attributes a 1.0 class file may carry, by where they stand. StackMapTable
# is read only to be dropped.
CLASS_ATTRIBUTES = {"SourceFile"}
METHOD_ATTRIBUTES = {"Code", "Exceptions"}
CODE_ATTRIBUTES = {"LineNumberTable", "LocalVariableTable", "StackMapTable"}

CONSTANT_UTF8 = 1
CONSTANT_INTEGER = 3
CONSTANT_FLOAT = 4
CONSTANT_LONG = 5
CONSTANT_DOUBLE = 6
CONSTANT_CLASS = 7
CONSTANT_STRING = 8
CONSTANT_FIELDREF = 9
CONSTANT_METHODREF = 10
CONSTANT_INTERFACEMETHODREF = 11
CONSTANT_NAMEANDTYPE = 12

NEWER_TAGS = {
    15: "CONSTANT_MethodHandle",
    16: "CONSTANT_MethodType",
    17: "CONSTANT_Dynamic",
    18: "CONSTANT_InvokeDynamic",
    19: "CONSTANT_Module",
    20: "CONSTANT_Package",
}

# javac --release 7 gives 51, --release 8 gives 52. Anything newer may carry
# constructs this tool does not know how to check.
ACCEPTED_INPUT_MAJORS = range(45, 53)

OP_LDC = 0x12
OP_LDC_W = 0x13
OP_LDC2_W = 0x14
OP_INVOKEDYNAMIC = 0xBA
OP_TABLESWITCH = 0xAA
OP_LOOKUPSWITCH = 0xAB
OP_WIDE = 0xC4
OP_IINC = 0x84

# Opcodes whose operand starts with a two-byte constant-pool index.
CP_U2_OPCODES = {
    0x13, 0x14,                    # ldc_w, ldc2_w
    0xB2, 0xB3, 0xB4, 0xB5,        # getstatic putstatic getfield putfield
    0xB6, 0xB7, 0xB8, 0xB9, 0xBA,  # invokevirtual ... invokedynamic
    0xBB, 0xBD, 0xC0, 0xC1, 0xC5,  # new anewarray checkcast instanceof multianewarray
}

# Instruction lengths in bytes, opcode included; None for the three whose
# length depends on their operands.
INSTRUCTION_LENGTHS = {}
for _op in range(0x00, 0x10):
    INSTRUCTION_LENGTHS[_op] = 1
INSTRUCTION_LENGTHS.update({0x10: 2, 0x11: 3, 0x12: 2, 0x13: 3, 0x14: 3})
for _op in range(0x15, 0x1A):      # iload .. aload
    INSTRUCTION_LENGTHS[_op] = 2
for _op in range(0x1A, 0x36):      # xload_n, xaload
    INSTRUCTION_LENGTHS[_op] = 1
for _op in range(0x36, 0x3B):      # istore .. astore
    INSTRUCTION_LENGTHS[_op] = 2
for _op in range(0x3B, 0x84):      # xstore_n, xastore, stack, arithmetic
    INSTRUCTION_LENGTHS[_op] = 1
INSTRUCTION_LENGTHS[0x84] = 3      # iinc
for _op in range(0x85, 0x99):      # conversions, comparisons
    INSTRUCTION_LENGTHS[_op] = 1
for _op in range(0x99, 0xA9):      # if*, goto, jsr
    INSTRUCTION_LENGTHS[_op] = 3
INSTRUCTION_LENGTHS[0xA9] = 2      # ret
INSTRUCTION_LENGTHS[0xAA] = None   # tableswitch
INSTRUCTION_LENGTHS[0xAB] = None   # lookupswitch
for _op in range(0xAC, 0xB2):      # returns
    INSTRUCTION_LENGTHS[_op] = 1
for _op in range(0xB2, 0xB9):      # field access, invokevirtual/special/static
    INSTRUCTION_LENGTHS[_op] = 3
INSTRUCTION_LENGTHS.update({
    0xB9: 5, 0xBA: 5, 0xBB: 3, 0xBC: 2, 0xBD: 3, 0xBE: 1, 0xBF: 1,
    0xC0: 3, 0xC1: 3, 0xC2: 1, 0xC3: 1, 0xC4: None, 0xC5: 4,
    0xC6: 3, 0xC7: 3, 0xC8: 5, 0xC9: 5,
})
WIDE_OPERAND_OPCODES = {0x15, 0x16, 0x17, 0x18, 0x19,
                        0x36, 0x37, 0x38, 0x39, 0x3A, 0xA9, OP_IINC}


class Reject(Exception):
    """The input is not a class this tool can turn into a 1.0 class file."""


class Reader:
    def __init__(self, data, what):
        self.data = data
        self.pos = 0
        self.what = what

    def take(self, n):
        if self.pos + n > len(self.data):
            raise Reject("%s is truncated" % self.what)
        chunk = self.data[self.pos:self.pos + n]
        self.pos += n
        return chunk

    def u1(self):
        return self.take(1)[0]

    def u2(self):
        return struct.unpack(">H", self.take(2))[0]

    def u4(self):
        return struct.unpack(">I", self.take(4))[0]

    def at_end(self):
        return self.pos == len(self.data)


class ConstantPool:
    """Entries by their index; a Long or Double takes two slots, the second None."""

    def __init__(self, entries):
        self.entries = entries  # index 0 unused

    def __len__(self):
        return len(self.entries)

    def get(self, index, tags, use):
        if not 0 < index < len(self.entries) or self.entries[index] is None:
            raise Reject("%s refers to constant %d, which does not exist" % (use, index))
        tag, value = self.entries[index]
        if tag not in tags:
            raise Reject("%s refers to constant %d of tag %d" % (use, index, tag))
        return tag, value

    def utf8(self, index, use):
        return self.get(index, {CONSTANT_UTF8}, use)[1].decode("utf-8", "replace")

    def class_name(self, index, use):
        return self.utf8(self.get(index, {CONSTANT_CLASS}, use)[1], use)

    def member(self, index, use):
        tag, (class_index, nat_index) = self.get(
            index, {CONSTANT_FIELDREF, CONSTANT_METHODREF, CONSTANT_INTERFACEMETHODREF}, use)
        name_index, desc_index = self.get(nat_index, {CONSTANT_NAMEANDTYPE}, use)[1]
        kind = {CONSTANT_FIELDREF: "field", CONSTANT_METHODREF: "method",
                CONSTANT_INTERFACEMETHODREF: "interface method"}[tag]
        return (kind, self.class_name(class_index, use),
                self.utf8(name_index, use), self.utf8(desc_index, use))


def read_constant_pool(r):
    count = r.u2()
    entries = [None]
    while len(entries) < count:
        index = len(entries)
        tag = r.u1()
        if tag in NEWER_TAGS:
            raise Reject("constant %d is a %s, which a 1.0 class file cannot hold"
                         % (index, NEWER_TAGS[tag]))
        if tag == CONSTANT_UTF8:
            entries.append((tag, r.take(r.u2())))
        elif tag in (CONSTANT_INTEGER, CONSTANT_FLOAT):
            entries.append((tag, r.take(4)))
        elif tag in (CONSTANT_LONG, CONSTANT_DOUBLE):
            entries.append((tag, r.take(8)))
            entries.append(None)
        elif tag in (CONSTANT_CLASS, CONSTANT_STRING):
            entries.append((tag, r.u2()))
        elif tag in (CONSTANT_FIELDREF, CONSTANT_METHODREF,
                     CONSTANT_INTERFACEMETHODREF, CONSTANT_NAMEANDTYPE):
            entries.append((tag, (r.u2(), r.u2())))
        else:
            raise Reject("constant %d has the unknown tag %d" % (index, tag))
    if len(entries) != count:
        raise Reject("the last constant is a Long or Double that overruns the pool")
    return ConstantPool(entries)


def read_attributes(r, cp, allowed, where):
    attributes = []
    for _ in range(r.u2()):
        name_index = r.u2()
        name = cp.utf8(name_index, "an attribute name in " + where)
        body = r.take(r.u4())
        if name not in allowed:
            raise Reject("%s has a %s attribute, which a 1.0 class file does not have"
                         % (where, name))
        attributes.append({"name_index": name_index, "name": name, "body": body})
    return attributes


def walk_code(code, where):
    """Yields (offset, opcode) for every instruction, checking that they tile the code."""
    pc = 0
    while pc < len(code):
        op = code[pc]
        if op not in INSTRUCTION_LENGTHS:
            raise Reject("%s has the unknown opcode 0x%02x at %d" % (where, op, pc))
        length = INSTRUCTION_LENGTHS[op]
        if op in (OP_TABLESWITCH, OP_LOOKUPSWITCH):
            base = pc + 1 + (3 - pc % 4)  # operands are aligned to 4 from the code start
            if base + 12 > len(code):
                raise Reject("%s has a truncated switch at %d" % (where, pc))
            if op == OP_TABLESWITCH:
                low, high = struct.unpack(">ii", code[base + 4:base + 12])
                if high < low:
                    raise Reject("%s has a tableswitch with high < low at %d" % (where, pc))
                length = base + 12 + 4 * (high - low + 1) - pc
            else:
                npairs = struct.unpack(">i", code[base + 4:base + 8])[0]
                if npairs < 0:
                    raise Reject("%s has a lookupswitch with a negative count at %d"
                                 % (where, pc))
                length = base + 8 + 8 * npairs - pc
        elif op == OP_WIDE:
            if pc + 1 >= len(code) or code[pc + 1] not in WIDE_OPERAND_OPCODES:
                raise Reject("%s has a wide that modifies no load, store, ret or iinc at %d"
                             % (where, pc))
            length = 6 if code[pc + 1] == OP_IINC else 4
        if pc + length > len(code):
            raise Reject("%s ends inside the instruction at %d" % (where, pc))
        yield pc, op
        pc += length


def read_code(body, cp, where):
    r = Reader(body, "the Code of " + where)
    code = {"max_stack": r.u2(), "max_locals": r.u2()}
    code["code"] = bytearray(r.take(r.u4()))
    handlers = []
    for _ in range(r.u2()):
        start, end, handler, catch_type = r.u2(), r.u2(), r.u2(), r.u2()
        if catch_type:
            cp.class_name(catch_type, "an exception handler in " + where)
        handlers.append((start, end, handler, catch_type))
    code["handlers"] = handlers
    code["attributes"] = read_attributes(r, cp, CODE_ATTRIBUTES, "the Code of " + where)
    if not r.at_end():
        raise Reject("the Code attribute of %s has bytes after its end" % where)

    # Offsets of the constant-pool operands, for renumbering.
    operands = []
    for pc, op in walk_code(code["code"], where):
        if op == OP_INVOKEDYNAMIC:
            raise Reject("%s uses invokedynamic (a lambda, a method reference or "
                         "string concatenation compiled for Java 9 or later)" % where)
        if op == OP_LDC:
            operands.append((pc + 1, 1))
        elif op in CP_U2_OPCODES:
            operands.append((pc + 1, 2))
        if op in (OP_LDC, OP_LDC_W, OP_LDC2_W):
            width = operands[-1][1]
            index = int.from_bytes(code["code"][pc + 1:pc + 1 + width], "big")
            allowed = ({CONSTANT_LONG, CONSTANT_DOUBLE} if op == OP_LDC2_W else
                       {CONSTANT_INTEGER, CONSTANT_FLOAT, CONSTANT_STRING})
            tag = cp.get(index, set(range(1, 21)), "ldc in " + where)[0]
            if tag == CONSTANT_CLASS:
                raise Reject("%s loads the class %s as a constant (a class literal)"
                             % (where, cp.class_name(index, where)))
            if tag not in allowed:
                raise Reject("%s loads a constant of tag %d at %d" % (where, tag, pc))
    code["operands"] = operands
    return code


def read_class(data):
    r = Reader(data, "the class file")
    if r.u4() != 0xCAFEBABE:
        raise Reject("not a class file (bad magic number)")
    minor, major = r.u2(), r.u2()
    cls = {"minor": minor, "major": major}
    if major not in ACCEPTED_INPUT_MAJORS:
        raise Reject("class-file version %d.%d; compile with javac --release 8" % (major, minor))
    cp = read_constant_pool(r)
    cls["cp"] = cp
    cls["access"] = r.u2()
    cls["this"] = r.u2()
    cls["super"] = r.u2()
    cls["interfaces"] = [r.u2() for _ in range(r.u2())]
    cls["fields"] = r.u2()
    if cls["fields"]:
        raise Reject("the class has %d fields; it must have none" % cls["fields"])
    methods = []
    for _ in range(r.u2()):
        access, name_index, desc_index = r.u2(), r.u2(), r.u2()
        name = cp.utf8(name_index, "a method name")
        desc = cp.utf8(desc_index, "a method descriptor")
        where = "method %s%s" % (name, desc)
        attributes = read_attributes(r, cp, METHOD_ATTRIBUTES, where)
        method = {"access": access, "name_index": name_index, "desc_index": desc_index,
                  "name": name, "desc": desc, "attributes": attributes, "code": None}
        for attr in attributes:
            if attr["name"] == "Code":
                if method["code"] is not None:
                    raise Reject("%s has two Code attributes" % where)
                method["code"] = read_code(attr["body"], cp, where)
                attr["code"] = method["code"]
        methods.append(method)
    cls["methods"] = methods
    cls["attributes"] = read_attributes(r, cp, CLASS_ATTRIBUTES, "the class")
    if not r.at_end():
        raise Reject("the class file has bytes after its end")
    return cls


def hint_for(class_name):
    hint = MEMBER_HINTS.get(class_name)
    return " (%s?)" % hint if hint else ""


def check_class(cls):
    cp = cls["cp"]
    name = cp.class_name(cls["this"], "this_class")
    if name != THIS_CLASS:
        raise Reject("the class is %s; it must be %s" % (name, THIS_CLASS))
    if cls["access"] != ACC_SUPER:
        raise Reject("the class access flags are 0x%04x; they must be ACC_SUPER only "
                     "(0x0020: a class in the default package, not public)" % cls["access"])
    if not cls["super"] or cp.class_name(cls["super"], "super_class") != "java/lang/Object":
        raise Reject("the superclass must be java/lang/Object")
    if cls["interfaces"]:
        raise Reject("the class implements interfaces; it must implement none")

    found = [(m["name"], m["desc"], m["access"]) for m in cls["methods"]]
    if found != EXPECTED_METHODS:
        raise Reject("the methods are %s; they must be exactly %s, in this order"
                     % (describe_methods(found), describe_methods(EXPECTED_METHODS)))
    for method in cls["methods"]:
        if method["code"] is None:
            raise Reject("method %s has no code" % method["name"])
    check_constructor(cp, cls["methods"][-1]["code"]["code"])

    for index in range(1, len(cp)):
        entry = cp.entries[index]
        if entry is None:
            continue
        tag = entry[0]
        if tag in (CONSTANT_FIELDREF, CONSTANT_METHODREF, CONSTANT_INTERFACEMETHODREF):
            member = cp.member(index, "constant %d" % index)
            if member not in ALLOWED_MEMBERS:
                kind, owner, mname, desc = member
                raise Reject("the class uses the %s %s.%s%s, which is not one the probe "
                             "may use from the Java 1.0 class library%s"
                             % (kind, owner, mname, desc, hint_for(owner)))
        elif tag == CONSTANT_CLASS:
            cname = cp.class_name(index, "constant %d" % index)
            if cname not in ALLOWED_CLASSES:
                raise Reject("the class refers to the class %s, which the probe may not "
                             "use%s" % (cname, hint_for(cname)))
        elif tag == CONSTANT_STRING:
            cp.utf8(entry[1], "constant %d" % index)
        elif tag == CONSTANT_NAMEANDTYPE:
            cp.utf8(entry[1][0], "constant %d" % index)
            cp.utf8(entry[1][1], "constant %d" % index)


def describe_methods(methods):
    return ", ".join("%s%s/0x%04x" % m for m in methods)


def check_constructor(cp, code):
    # aload_0; invokespecial java/lang/Object.<init>()V; return
    if len(code) != 5 or code[0] != 0x2A or code[1] != 0xB7 or code[4] != 0xB1:
        raise Reject("the constructor must only call the constructor of java/lang/Object")
    target = cp.member(int.from_bytes(code[2:4], "big"), "the constructor")
    if target != ("method", "java/lang/Object", "<init>", "()V"):
        raise Reject("the constructor must only call the constructor of java/lang/Object")


# --- writing -----------------------------------------------------------------

def drop_stack_maps(cls):
    for method in cls["methods"]:
        code = method["code"]
        code["attributes"] = [a for a in code["attributes"] if a["name"] != "StackMapTable"]


def constant_refs(entry):
    tag, value = entry
    if tag in (CONSTANT_CLASS, CONSTANT_STRING):
        return [value]
    if tag in (CONSTANT_FIELDREF, CONSTANT_METHODREF,
               CONSTANT_INTERFACEMETHODREF, CONSTANT_NAMEANDTYPE):
        return list(value)
    return []


def referenced_indices(cls):
    """Every constant-pool index the class still refers to once the stack maps are gone.

    Complete because read_class rejects every attribute whose references are
    not followed here.
    """
    cp = cls["cp"]
    roots = [cls["this"], cls["super"], *cls["interfaces"]]
    for method in cls["methods"]:
        roots += [method["name_index"], method["desc_index"]]
        for attr in method["attributes"]:
            roots.append(attr["name_index"])
            if attr["name"] == "Exceptions":
                roots += exceptions_indices(attr["body"])
        code = method["code"]
        body = code["code"]
        for offset, width in code["operands"]:
            roots.append(int.from_bytes(body[offset:offset + width], "big"))
        roots += [h[3] for h in code["handlers"] if h[3]]
        for attr in code["attributes"]:
            roots.append(attr["name_index"])
            if attr["name"] == "LocalVariableTable":
                for entry in local_variables(attr["body"]):
                    roots += entry[2:4]
    for attr in cls["attributes"]:
        roots.append(attr["name_index"])
        if attr["name"] == "SourceFile":
            roots.append(struct.unpack(">H", attr["body"])[0])
    used = set()
    while roots:
        index = roots.pop()
        if index in used:
            continue
        cp.get(index, set(range(1, 13)), "the class")
        used.add(index)
        roots += constant_refs(cp.entries[index])
    return used


def exceptions_indices(body):
    r = Reader(body, "an Exceptions attribute")
    indices = [r.u2() for _ in range(r.u2())]
    if not r.at_end():
        raise Reject("an Exceptions attribute has bytes after its end")
    return indices


def local_variables(body):
    r = Reader(body, "a LocalVariableTable")
    entries = [(r.u2(), r.u2(), r.u2(), r.u2(), r.u2()) for _ in range(r.u2())]
    if not r.at_end():
        raise Reject("a LocalVariableTable has bytes after its end")
    return entries


def unused_constants(cls):
    """Constants nothing refers to: the "StackMapTable" name and the classes
    that only the stack maps named."""
    cp = cls["cp"]
    used = referenced_indices(cls)
    return {i for i in range(1, len(cp)) if cp.entries[i] is not None and i not in used}


def write_class(cls, removed):
    """Serialises the class at version 45.3 without the constants in `removed`.

    Leaving constants out only moves later indices down, so an ldc operand
    still fits its byte and no code offset changes.
    """
    cp = cls["cp"]
    new_index = {}
    next_index = 1
    for index in range(1, len(cp)):
        entry = cp.entries[index]
        if entry is None or index in removed:
            continue
        new_index[index] = next_index
        next_index += 2 if entry[0] in (CONSTANT_LONG, CONSTANT_DOUBLE) else 1

    def remap(index):
        if index not in new_index:
            raise Reject("internal error: a reference to the removed constant %d" % index)
        return new_index[index]

    out = bytearray()
    u1 = lambda v: out.append(v)
    u2 = lambda v: out.extend(struct.pack(">H", v))
    u4 = lambda v: out.extend(struct.pack(">I", v))

    u4(0xCAFEBABE)
    u2(3)   # minor_version
    u2(45)  # major_version
    u2(next_index)  # constant_pool_count
    for index in range(1, len(cp)):
        entry = cp.entries[index]
        if entry is None or index in removed:
            continue
        tag, value = entry
        u1(tag)
        if tag == CONSTANT_UTF8:
            u2(len(value))
            out.extend(value)
        elif tag in (CONSTANT_INTEGER, CONSTANT_FLOAT, CONSTANT_LONG, CONSTANT_DOUBLE):
            out.extend(value)
        elif tag in (CONSTANT_CLASS, CONSTANT_STRING):
            u2(remap(value))
        else:
            u2(remap(value[0]))
            u2(remap(value[1]))
    u2(cls["access"])
    u2(remap(cls["this"]))
    u2(remap(cls["super"]))
    u2(len(cls["interfaces"]))
    for index in cls["interfaces"]:
        u2(remap(index))
    u2(0)  # fields
    u2(len(cls["methods"]))
    for method in cls["methods"]:
        u2(method["access"])
        u2(remap(method["name_index"]))
        u2(remap(method["desc_index"]))
        u2(len(method["attributes"]))
        for attr in method["attributes"]:
            if attr["name"] == "Code":
                body = code_body(attr["code"], remap)
            elif attr["name"] == "Exceptions":
                indices = exceptions_indices(attr["body"])
                body = struct.pack(">H", len(indices)) + b"".join(
                    struct.pack(">H", remap(i)) for i in indices)
            else:
                body = attr["body"]
            u2(remap(attr["name_index"]))
            u4(len(body))
            out.extend(body)
    u2(len(cls["attributes"]))
    for attr in cls["attributes"]:
        body = attr["body"]
        if attr["name"] == "SourceFile":
            body = struct.pack(">H", remap(struct.unpack(">H", body)[0]))
        u2(remap(attr["name_index"]))
        u4(len(body))
        out.extend(body)
    return bytes(out)


def code_body(code, remap):
    body = bytearray(code["code"])
    for offset, width in code["operands"]:
        index = remap(int.from_bytes(body[offset:offset + width], "big"))
        body[offset:offset + width] = index.to_bytes(width, "big")
    out = bytearray(struct.pack(">HHI", code["max_stack"], code["max_locals"], len(body)))
    out.extend(body)
    out.extend(struct.pack(">H", len(code["handlers"])))
    for start, end, handler, catch_type in code["handlers"]:
        out.extend(struct.pack(">HHHH", start, end, handler,
                               remap(catch_type) if catch_type else 0))
    out.extend(struct.pack(">H", len(code["attributes"])))
    for attr in code["attributes"]:
        attr_body = attr["body"]
        if attr["name"] == "LocalVariableTable":
            entries = local_variables(attr_body)
            attr_body = struct.pack(">H", len(entries)) + b"".join(
                struct.pack(">HHHHH", start, length, remap(name), remap(desc), slot)
                for start, length, name, desc, slot in entries)
        out.extend(struct.pack(">HI", remap(attr["name_index"]), len(attr_body)))
        out.extend(attr_body)
    return bytes(out)


def convert(data):
    cls = read_class(data)
    drop_stack_maps(cls)
    result = write_class(cls, unused_constants(cls))

    # The allow-list applies to what the written class links against; the
    # stack maps named classes (the type of main's argument) that nothing
    # else uses.
    again = read_class(result)
    check_class(again)
    if (again["major"], again["minor"]) != (45, 3):
        raise Reject("internal error: the result is not at version 45.3")
    for method in again["methods"]:
        if any(a["name"] == "StackMapTable" for a in method["code"]["attributes"]):
            raise Reject("internal error: a StackMapTable survived")
    return result


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: make_class45.py INPUT.class OUTPUT.class\n")
        return 2
    source, target = argv[1], argv[2]
    try:
        with open(source, "rb") as f:
            data = f.read()
        result = convert(data)
    except (Reject, OSError) as e:
        sys.stderr.write("make_class45.py: %s: %s\n" % (source, e))
        # A stale class from an earlier run must not pass for a fresh one.
        if os.path.exists(target):
            os.remove(target)
        return 1
    temp = target + ".tmp"
    with open(temp, "wb") as f:
        f.write(result)
    os.replace(temp, target)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
