// PGP/MIME input: the top-level header's content type and boundary, the
// body parts between the boundary lines, and the PGP data in them. Every
// position is checked against the text, so broken input only gives false.
// Only headers are cut into lines; the parts are found by their boundary
// lines, so a large message is read once and never copied.
#include "standin/sdk/pgpmime_in.h"

#include "standin/sdk/packets.h"

#include <cctype>
#include <utility>
#include <vector>

namespace sdk {

namespace {

struct Line {
    size_t start, end, next;  // end excludes the line end; next is the following line's start
};

Line lineAt(std::string_view t, size_t p, size_t to) {
    size_t lf = findByte(t, '\n', p);
    if (lf == std::string_view::npos || lf >= to) return {p, to, to};
    size_t end = lf > p && t[lf - 1] == '\r' ? lf - 1 : lf;
    return {p, end, lf + 1};
}

// The lines of a header from `from`, up to and with the empty line that ends
// it (all lines up to `to` when none does).
std::vector<Line> headerLines(std::string_view t, size_t from, size_t to) {
    std::vector<Line> lines;
    for (size_t p = from; p < to;) {
        lines.push_back(lineAt(t, p, to));
        if (lines.back().start == lines.back().end) break;
        p = lines.back().next;
    }
    return lines;
}

std::string lower(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool space(char c) { return c == ' ' || c == '\t'; }

std::string trim(std::string_view s) {
    size_t a = 0, b = s.size();
    while (a < b && (space(s[a]) || s[a] == '\r' || s[a] == '\n')) ++a;
    while (b > a && (space(s[b - 1]) || s[b - 1] == '\r' || s[b - 1] == '\n')) --b;
    return std::string(s.substr(a, b - a));
}

// The fields of a header (names in lower case, continuation lines joined);
// *bodyStart is where the line after the empty line starts, or `to` when
// the header has no end or nothing follows it.
std::vector<std::pair<std::string, std::string>> readHeader(std::string_view t, size_t from, size_t to,
                                                            size_t* bodyStart) {
    std::vector<std::pair<std::string, std::string>> fields;
    *bodyStart = to;
    for (const Line& l : headerLines(t, from, to)) {
        if (l.start == l.end) {
            *bodyStart = l.next;
            return fields;
        }
        if (space(t[l.start])) {
            if (!fields.empty()) fields.back().second += " " + trim(t.substr(l.start, l.end - l.start));
            continue;
        }
        size_t colon = t.find(':', l.start);
        if (colon == std::string_view::npos || colon >= l.end) continue;
        fields.emplace_back(lower(trim(t.substr(l.start, colon - l.start))),
                            trim(t.substr(colon + 1, l.end - colon - 1)));
    }
    return fields;
}

struct ContentType {
    std::string type;                                         // "type/subtype" in lower case
    std::vector<std::pair<std::string, std::string>> params;  // names in lower case
    std::string param(const std::string& name) const {
        for (const auto& p : params)
            if (p.first == name) return p.second;
        return std::string();
    }
};

ContentType parseContentType(const std::string& v) {
    ContentType ct;
    size_t p = 0, n = v.size();
    size_t semi = v.find(';');
    ct.type = lower(trim(v.substr(0, semi == std::string::npos ? n : semi)));
    p = semi == std::string::npos ? n : semi;
    while (p < n) {
        while (p < n && (v[p] == ';' || space(v[p]))) ++p;
        if (p < n && v[p] == '(') {  // a comment
            while (p < n && v[p] != ')') ++p;
            if (p < n) ++p;
            continue;
        }
        size_t eq = p;
        while (eq < n && v[eq] != '=' && v[eq] != ';') ++eq;
        if (eq >= n || v[eq] != '=') {
            p = eq;
            continue;
        }
        std::string name = lower(trim(v.substr(p, eq - p)));
        p = eq + 1;
        while (p < n && space(v[p])) ++p;
        std::string value;
        if (p < n && v[p] == '"') {
            for (++p; p < n && v[p] != '"'; ++p) {
                if (v[p] == '\\' && p + 1 < n) ++p;
                value += v[p];
            }
            if (p < n) ++p;
        } else {
            while (p < n && v[p] != ';' && !space(v[p])) value += v[p++];
        }
        ct.params.emplace_back(name, value);
    }
    return ct;
}

ContentType contentTypeOf(const std::vector<std::pair<std::string, std::string>>& fields) {
    for (const auto& f : fields)
        if (f.first == "content-type") return parseContentType(f.second);
    return ContentType{"text/plain", {}};
}

struct Part {
    size_t start, end;  // content between the boundary lines, without the line end before the next one
};

// 0: not a boundary line, 1: a boundary, 2: the closing boundary.
int boundaryLine(std::string_view t, const Line& l, const std::string& delim) {
    if (l.end - l.start < delim.size() || t.compare(l.start, delim.size(), delim) != 0) return 0;
    size_t p = l.start + delim.size();
    int kind = 1;
    if (l.end - p >= 2 && t[p] == '-' && t[p + 1] == '-') {
        kind = 2;
        p += 2;
    }
    for (; p < l.end; ++p)
        if (!space(t[p])) return 0;
    return kind;
}

std::vector<Part> bodyParts(std::string_view t, size_t first, const std::string& boundary) {
    std::vector<Part> parts;
    std::string delim = "--" + boundary;
    bool open = false;
    size_t start = 0;  // content start of the part being read
    for (size_t at = findText(t, delim, first); at != std::string_view::npos; at = findText(t, delim, at + 1)) {
        if (at > first && t[at - 1] != '\n') continue;
        const Line l = lineAt(t, at, t.size());
        int b = boundaryLine(t, l, delim);
        if (!b) continue;
        if (open) {
            // The content ends with the line before the boundary line, without its line end.
            size_t end = start;
            if (at > start) end = at >= start + 2 && t[at - 2] == '\r' ? at - 2 : at - 1;
            parts.push_back({start, end});
        }
        if (b == 2) return parts;
        open = true;
        start = l.next;
    }
    if (open) parts.push_back({start, t.size()});  // no closing boundary
    return parts;
}

struct PartView {
    ContentType type;
    size_t bodyStart = 0, end = 0;  // the body's place in the text
};

PartView viewPart(std::string_view t, const Part& p) {
    PartView v;
    v.type = contentTypeOf(readHeader(t, p.start, p.end, &v.bodyStart));
    v.end = p.end;
    return v;
}

// The armoured block of the given kind in the body, from its first line to
// its last with the CR LF after it: where it stands in the text when the
// text has one there, else a copy with one added.
bool armoured(std::string_view t, const PartView& part, const char* kind, PgpMimeInput& out) {
    const std::string_view body = t.substr(part.bodyStart, part.end - part.bodyStart);
    std::string begin = std::string("-----BEGIN PGP ") + kind + "-----";
    std::string end = std::string("-----END PGP ") + kind + "-----";
    size_t b = findText(body, begin);
    if (b == std::string_view::npos) return false;
    size_t e = findText(body, end, b + begin.size());
    if (e == std::string_view::npos) return false;
    const size_t from = part.bodyStart + b, to = part.bodyStart + e + end.size();
    if (t.compare(to, 2, "\r\n") == 0) {
        out.armour = t.substr(from, to + 2 - from);
    } else {
        out.armourStore.reserve(to - from + 2);
        out.armourStore.assign(t.substr(from, to - from));
        out.armourStore += "\r\n";
        out.armour = out.armourStore;
    }
    return true;
}

bool hasVersionOne(std::string_view body) {
    for (size_t p = 0; p < body.size();) {
        const Line l = lineAt(body, p, body.size());
        std::string s = lower(trim(body.substr(l.start, l.end - l.start)));
        if (s.rfind("version:", 0) == 0 && trim(s.substr(8)) == "1") return true;
        p = l.next;
    }
    return false;
}

// The same bytes with CR LF line ends; empty when they have those already.
std::string canonical(std::string_view s) {
    bool bare = false;
    for (size_t lf = findByte(s, '\n'); lf != std::string_view::npos && !bare; lf = findByte(s, '\n', lf + 1))
        bare = lf == 0 || s[lf - 1] != '\r';
    if (!bare) return std::string();
    std::string c;
    c.reserve(s.size() + s.size() / 32);
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\n' && (i == 0 || s[i - 1] != '\r')) c += '\r';
        c += s[i];
    }
    return c;
}

}  // namespace

bool parsePgpMime(std::string_view text, PgpMimeInput& out) {
    out = PgpMimeInput{};
    size_t bodyStart = 0;
    auto fields = readHeader(text, 0, text.size(), &bodyStart);
    if (bodyStart >= text.size()) return false;
    ContentType ct = contentTypeOf(fields);
    std::string protocol = lower(ct.param("protocol"));
    std::string boundary = ct.param("boundary");
    // A boundary is at most 70 characters; a longer one is not trusted either.
    if (boundary.empty() || boundary.size() > 200) return false;
    if (ct.type == "multipart/encrypted" && protocol == "application/pgp-encrypted") {
        std::vector<Part> parts = bodyParts(text, bodyStart, boundary);
        if (parts.size() < 2) return false;
        PartView control = viewPart(text, parts[0]);
        PartView data = viewPart(text, parts[1]);
        if (control.type.type != "application/pgp-encrypted" ||
            !hasVersionOne(text.substr(control.bodyStart, control.end - control.bodyStart)))
            return false;
        if (data.type.type != "application/octet-stream") return false;
        if (!armoured(text, data, "MESSAGE", out)) return false;
        out.kind = PgpMimeInput::Encrypted;
        return true;
    }
    if (ct.type == "multipart/signed" && protocol == "application/pgp-signature") {
        std::vector<Part> parts = bodyParts(text, bodyStart, boundary);
        if (parts.size() < 2) return false;
        PartView sig = viewPart(text, parts[1]);
        if (sig.type.type != "application/pgp-signature") return false;
        if (!armoured(text, sig, "SIGNATURE", out)) return false;
        out.entity = text.substr(parts[0].start, parts[0].end - parts[0].start);
        out.canonical = canonical(out.entity);
        out.kind = PgpMimeInput::Signed;
        return true;
    }
    return false;
}

}  // namespace sdk
