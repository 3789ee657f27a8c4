#!/usr/bin/env python3
"""Writes the Winelib .spec file of the stand-in core library: one export per
SDK_EXPORT(...) in the sources, with its argument list taken from the PFN_
type of engine/pgpsdk.h. Usage: gen_spec.py pgpsdk.h out.spec source..."""
import re
import sys

header, out, sources = sys.argv[1], sys.argv[2], sys.argv[3:]
text = open(header).read()
text = re.sub(r'/\*.*?\*/', '', text, flags=re.S)

protos = {}
for m in re.finditer(r'typedef\s+[^;]*?\(\s*PGP_(?:CL)?CALL\s*\*\s*PFN_(\w+)\)\s*\((.*?)\)\s*;', text, re.S):
    protos[m.group(1)] = m.group(2)
for m in re.finditer(r'typedef\s+PFN_(\w+)\s+PFN_(\w+)\s*;', text):
    if m.group(1) in protos:
        protos[m.group(2)] = protos[m.group(1)]

def args(plist):
    plist = plist.strip()
    if plist in ('', 'void'):
        return [], False
    parts = [p.strip() for p in plist.split(',')]
    variadic = parts[-1] == '...'
    if variadic:
        parts = parts[:-1]
    kinds = []
    for p in parts:
        if '*' in p or '[' in p or re.search(r'Ref\b|Ref\s+\w+$|ProcPtr|PGPUserValue|PGPWindowRef', p):
            kinds.append('str' if re.match(r'const\s+char\s*\*', p) else 'ptr')
        else:
            kinds.append('long')
    return kinds, variadic

names = []
for s in sources:
    names += re.findall(r'^SDK_EXPORT\((\w+)\);', open(s).read(), re.M)
lines = []
for n in sorted(set(names)):
    kinds, variadic = args(protos[n])
    conv = 'varargs' if variadic else 'cdecl'
    lines.append('@ %s %s(%s)' % (conv, n, ' '.join(kinds)))
open(out, 'w').write('\n'.join(lines) + '\n')
