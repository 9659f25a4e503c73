# An independent LZHUF encoder written from the published algorithm; it made the stream
# lengths and hashes that tests/res/lzhuf_test.cpp pins. Run: python3 lzhuf_reference.py
N, F, TH = 4096, 60, 2
NIL = N
NCHAR = 256 - TH + F
T = NCHAR * 2 - 1
R = T - 1
MAXF = 0x8000

def plen_table():
    runs = [(3, 1), (4, 3), (5, 8), (6, 12), (7, 24), (8, 16)]
    lens, codes, code = [], [], 0
    for l, n in runs:
        for _ in range(n):
            lens.append(l); codes.append(code)
            code += 1 << (8 - l)
    return lens, codes

class Huff:
    def __init__(self):
        self.freq = [0] * (T + 1); self.son = [0] * T; self.prnt = [0] * (T + NCHAR)
        for i in range(NCHAR):
            self.freq[i] = 1; self.son[i] = i + T; self.prnt[i + T] = i
        i, j = 0, NCHAR
        while j <= R:
            self.freq[j] = self.freq[i] + self.freq[i + 1]; self.son[j] = i
            self.prnt[i] = self.prnt[i + 1] = j; i += 2; j += 1
        self.freq[T] = 0xFFFF; self.prnt[R] = 0
    def reconst(self):
        fr, so, pr = self.freq, self.son, self.prnt
        j = 0
        for i in range(T):
            if so[i] >= T:
                fr[j] = (fr[i] + 1) // 2; so[j] = so[i]; j += 1
        i, j = 0, NCHAR
        while j < T:
            f = fr[i] + fr[i + 1]
            fr[j] = f
            k = j - 1
            while f < fr[k]: k -= 1
            k += 1
            fr[k + 1:j + 1] = fr[k:j]; fr[k] = f
            so[k + 1:j + 1] = so[k:j]; so[k] = i
            i += 2; j += 1
        for i in range(T):
            k = so[i]
            if k >= T: pr[k] = i
            else: pr[k] = pr[k + 1] = i
    def update(self, c):
        fr, so, pr = self.freq, self.son, self.prnt
        if fr[R] == MAXF: self.reconst()
        c = pr[c + T]
        while True:
            fr[c] += 1; k = fr[c]
            l = c + 1
            if k > fr[l]:
                l += 1
                while k > fr[l]: l += 1
                l -= 1
                fr[c] = fr[l]; fr[l] = k
                i = so[c]; pr[i] = l
                if i < T: pr[i + 1] = l
                j = so[l]; so[l] = i
                pr[j] = c
                if j < T: pr[j + 1] = c
                so[c] = j
                c = l
            c = pr[c]
            if c == 0: break

def encode(data):
    out = bytearray(len(data).to_bytes(4, 'little'))
    if not data: return bytes(out)
    bits = []
    plen, pcode = plen_table()
    h = Huff()
    text = bytearray(N + F - 1)
    lson = [0] * (N + 1); rson = [0] * (N + 257); dad = [0] * (N + 1)
    for i in range(N + 1, N + 257): rson[i] = NIL
    for i in range(N): dad[i] = NIL
    st = {'ml': 0, 'mp': 0}
    def insert(r):
        cmp = 1; p = N + 1 + text[r]
        rson[r] = lson[r] = NIL; st['ml'] = 0
        while True:
            if cmp >= 0:
                if rson[p] != NIL: p = rson[p]
                else: rson[p] = r; dad[r] = p; return
            else:
                if lson[p] != NIL: p = lson[p]
                else: lson[p] = r; dad[r] = p; return
            i = 1
            while i < F:
                cmp = text[r + i] - text[p + i]
                if cmp != 0: break
                i += 1
            if i > TH:
                if i > st['ml']:
                    st['mp'] = ((r - p) & (N - 1)) - 1
                    st['ml'] = i
                    if i >= F: break
                if i == st['ml']:
                    c = ((r - p) & (N - 1)) - 1
                    if c < st['mp']: st['mp'] = c
        dad[r] = dad[p]; lson[r] = lson[p]; rson[r] = rson[p]
        dad[lson[p]] = r; dad[rson[p]] = r
        if rson[dad[p]] == p: rson[dad[p]] = r
        else: lson[dad[p]] = r
        dad[p] = NIL
    def delete(p):
        if dad[p] == NIL: return
        if rson[p] == NIL: q = lson[p]
        elif lson[p] == NIL: q = rson[p]
        else:
            q = lson[p]
            if rson[q] != NIL:
                while rson[q] != NIL: q = rson[q]
                rson[dad[q]] = lson[q]; dad[lson[q]] = dad[q]
                lson[q] = lson[p]; dad[lson[p]] = q
            rson[q] = rson[p]; dad[rson[p]] = q
        dad[q] = dad[p]
        if rson[dad[p]] == p: rson[dad[p]] = q
        else: lson[dad[p]] = q
        dad[p] = NIL
    def put(value, count):
        for b in range(count - 1, -1, -1): bits.append((value >> b) & 1)
    def enc_char(c):
        path = []
        k = h.prnt[c + T]
        while True:
            path.append(k & 1)
            k = h.prnt[k]
            if k == R: break
        for b in reversed(path): bits.append(b)
        h.update(c)
    def enc_pos(c):
        u = c >> 6
        put(pcode[u] >> (8 - plen[u]), plen[u]); put(c & 63, 6)
    s, r = 0, N - F
    for i in range(s, r): text[i] = 32
    n = 0; ln = 0
    while ln < F and n < len(data):
        text[r + ln] = data[n]; n += 1; ln += 1
    for i in range(1, F + 1): insert(r - i)
    insert(r)
    while True:
        if st['ml'] > ln: st['ml'] = ln
        if st['ml'] <= TH:
            st['ml'] = 1; enc_char(text[r])
        else:
            enc_char(255 - TH + st['ml']); enc_pos(st['mp'])
        last = st['ml']; i = 0
        while i < last and n < len(data):
            c = data[n]; n += 1
            delete(s); text[s] = c
            if s < F - 1: text[s + N] = c
            s = (s + 1) & (N - 1); r = (r + 1) & (N - 1)
            insert(r); i += 1
        while i < last:
            i += 1
            delete(s); s = (s + 1) & (N - 1); r = (r + 1) & (N - 1)
            ln -= 1
            if ln: insert(r)
        if ln <= 0: break
    while len(bits) % 8: bits.append(0)
    for i in range(0, len(bits), 8):
        v = 0
        for b in bits[i:i + 8]: v = (v << 1) | b
        out.append(v)
    return bytes(out)

def fnv1a(b):
    h = 2166136261
    for x in b: h = ((h ^ x) * 16777619) & 0xFFFFFFFF
    return h

def lcg_bytes(n, seed, mode):
    x = seed; out = bytearray()
    words = [b"engine ", b"flame ", b"ship ", b"sky ", b"the ", b"water ", b"fire ", b"dome "]
    while len(out) < n:
        x = (x * 1103515245 + 12345) & 0x7FFFFFFF
        if mode == 0: out.append((x >> 16) & 0xFF)
        else: out += words[(x >> 16) & 7]
    return bytes(out[:n])

if __name__ == '__main__':
    print(encode(b'A').hex(), encode(b'   ').hex())
    for n, seed, mode in [(50000, 7, 0), (40000, 11, 1), (100000, 3, 0)]:
        e = encode(lcg_bytes(n, seed, mode))
        print(n, seed, mode, len(e), hex(fnv1a(e)))
