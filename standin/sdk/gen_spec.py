#!/usr/bin/env python3
"""Writes the export list of one flavour of the stand-in core library: one
export per export marker in the sources, as a module definition (.def) for
the Windows build, or as a Winelib .spec with its argument list taken from the
function type of standin/sdk/sdk_interface.h. Both number the exports from 1
in name order.

  SDK_EXPORT(name)            both releases
  SDK_EXPORT7(name)           release 7 only
  SDK_EXPORT65(name)          release 6.5 only
  SDK_EXPORT65_AS(name, impl) release 6.5: name, implemented by impl, of type PFN65_name

Usage: gen_spec.py RELEASE sdk_interface.h[,header...] out.spec|out.def source..."""
import re
import sys

release, header, out, sources = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
text = ''.join(open(h).read() for h in header.split(','))  # sdk_interface.h[,further headers]
text = re.sub(r'/\*.*?\*/', '', text, flags=re.S)

protos = {}
for m in re.finditer(r'typedef\s+[^;]*?\(\s*PGP_(?:CL)?CALL\s*\*\s*(PFN(?:65)?_\w+)\)\s*\((.*?)\)\s*;', text, re.S):
    protos[m.group(1)] = m.group(2)
for m in re.finditer(r'typedef\s+(PFN(?:65)?_\w+)\s+(PFN(?:65)?_\w+)\s*;', text):
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

wanted = {'7': ('SDK_EXPORT', 'SDK_EXPORT7'), '65': ('SDK_EXPORT', 'SDK_EXPORT65')}[release]
exports = {}  # exported name -> (prototype key, implementation)
for s in sources:
    src = open(s).read()
    for marker, name in re.findall(r'^(SDK_EXPORT\w*)\((\w+)\);', src, re.M):
        if marker in wanted:
            exports[name] = ('PFN_' + name, name)
    if release == '65':
        for name, impl in re.findall(r'^SDK_EXPORT65_AS\((\w+),\s*(\w+)\);', src, re.M):
            exports[name] = ('PFN65_' + name, impl)
if out.endswith('.def'):
    # cdecl exports under their plain names; the module name is the file's.
    module = out.replace('\\', '/').rsplit('/', 1)[-1][:-4] + '.dll'
    lines = ['LIBRARY "%s"' % module, 'EXPORTS']
    for ordinal, n in enumerate(sorted(exports), 1):
        impl = exports[n][1]
        lines.append('  %s%s @%d' % (n, '' if impl == n else ' = ' + impl, ordinal))
    open(out, 'w').write('\n'.join(lines) + '\n')
    sys.exit(0)
lines = []
for n in sorted(exports):
    key, impl = exports[n]
    kinds, variadic = args(protos[key])
    conv = 'varargs' if variadic else 'cdecl'
    lines.append('@ %s %s(%s)%s' % (conv, n, ' '.join(kinds), '' if impl == n else ' ' + impl))
open(out, 'w').write('\n'.join(lines) + '\n')
