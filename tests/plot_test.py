#!/usr/bin/env python3
"""The pictures as a person sees them: --plot writes well-formed SVG (xmllint),
rsvg-convert renders it at 800 x 500, and the marks stand where the data puts
them (pixel probes, from the figures the program printed and the axes its
manual describes). Skipped (77) without rsvg-convert or xmllint.

Usage: plot_test.py PROGRAM
"""
import math, os, shutil, struct, subprocess, sys, tempfile, zlib

def png(path):
    """Width, height and a pixel function (r, g, b) of an 8-bit RGB(A) PNG."""
    data = open(path, 'rb').read()
    assert data[:8] == b'\x89PNG\r\n\x1a\n'
    pos, idat, w = 8, b'', 0
    while pos < len(data):
        n, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + n]
        if kind == b'IHDR':
            w, h, depth, colour = struct.unpack('>IIBB', body[:10])
            assert depth == 8 and colour in (2, 6), (depth, colour)
            bpp = 4 if colour == 6 else 3
        elif kind == b'IDAT':
            idat += body
        pos += 12 + n
    raw, rows, prev, stride = zlib.decompress(idat), [], bytearray(w * bpp), w * bpp
    for y in range(h):
        f, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b, c = prev[i], prev[i - bpp] if i >= bpp else 0
            p = a + b - c
            pred = (0, a, b, (a + b) // 2, a if abs(p - a) <= abs(p - b) and abs(p - a) <= abs(p - c)
                    else b if abs(p - b) <= abs(p - c) else c)[f]
            line[i] = (line[i] + pred) & 255
        rows.append(line)
        prev = line
    return w, h, lambda x, y: tuple(rows[y][x * bpp:x * bpp + 3])

def near(got, want, tol=60):
    return all(abs(g - v) <= tol for g, v in zip(got, want))

BLUE, RED, GREY, WHITE = (0x1f, 0x77, 0xb4), (0xd6, 0x27, 0x28), (0x99, 0x99, 0x99), (255, 255, 255)

def main():
    prog = sys.argv[1]
    if not shutil.which('rsvg-convert') or not shutil.which('xmllint'):
        print('rsvg-convert or xmllint is not installed: skipped')
        return 77
    tmp, failures = tempfile.mkdtemp(), []
    def check(what, ok):
        print(('ok   ' if ok else 'FAIL ') + what)
        if not ok: failures.append(what)
    def draw(args, name):
        svg, out = os.path.join(tmp, name + '.svg'), os.path.join(tmp, name + '.png')
        text = subprocess.run([prog] + args + ['--plot', svg], capture_output=True, text=True, check=True).stdout
        check(name + ': well-formed', subprocess.run(['xmllint', '--noout', svg]).returncode == 0)
        subprocess.run(['rsvg-convert', svg, '-o', out], check=True)
        w, h, px = png(out)
        check(name + ': 800 x 500', (w, h) == (800, 500))
        return text, px

    # The distributions of 120 and 60 (its largest count, 10, at the top): a blue mark at each number of terms.
    for n, elements in ((60, 11), (120, 15)):  # elements: the divisors of n other than n
        text, px = draw([str(n), '--distribution'], f'distribution-{n}')
        counts = {int(m): int(c) for m, c in (l.split() for l in text.splitlines())}
        decades = math.ceil(math.log10(max(counts.values())))
        for m, c in counts.items():
            x, y = 80 + 700 * m / elements, 430 - 380 * math.log10(c) / decades
            check(f'distribution of {n}: mark of {m} terms at ({x:.0f}, {y:.0f})', near(px(int(x), int(y)), BLUE))
    check('distribution: empty above the curve', near(px(700, 100), WHITE, 10))

    # The table 1..2000: records ringed in red, strokes in blue, zeros in the grey strip.
    text, px = draw(['--table', '1', '2000'], 'table')
    a = {int(n): int(v) for n, v in (l.split() for l in text.splitlines())}
    decades = math.ceil(math.log10(max(a.values())))
    best = 0
    for n in sorted(a):
        if a[n] > best:
            best = a[n]
            x, y = 80 + 700 * (n - 0.5) / 2000, 430 - 380 * math.log10(a[n]) / decades
            if n >= 100:
                check(f'table: record a({n}) ringed at ({x:.0f}, {y:.0f})', near(px(int(x + 5), int(y)), RED))
    x = 80 + 700 * (720 - 0.5) / 2000
    check('table: the stroke of a(720)', near(px(int(x), int(430 - 380 * math.log10(a[720]) / decades)), BLUE))
    for zero in (1999, 1997):
        check(f'table: a({zero}) = {a[zero]} in the grey strip', near(px(int(80 + 700 * (zero - 0.5) / 2000), 463), GREY))
    # No solution says so; a(6) = 1, on the axis, stands above it.
    _, px = draw(['1', '--distribution'], 'none')
    check('no solution: words in the middle', any(near(px(x, y), (0, 0, 0), 90) for x in range(380, 480) for y in range(226, 240)))
    _, px = draw(['--table', '1', '10'], 'ones')
    check('a(6) = 1: a stroke above the axis', near(px(int(80 + 700 * 5.5 / 10), 427), BLUE))
    print(f'{len(failures)} failed')
    return 1 if failures else 0

if __name__ == '__main__':
    sys.exit(main())
