// PGP/MIME input: the top-level header's content type and boundary, the
// body parts between the boundary lines, and the PGP data in them. Every
// position is checked against the text, so broken input only gives false.
#include "standin/sdk/pgpmime_in.h"

#include <cctype>
#include <utility>
#include <vector>

namespace sdk {

namespace {

struct Line {
    size_t start, end, next;  // end excludes the line end; next is the following line's start
};

std::vector<Line> splitLines(const std::string& t, size_t from, size_t to) {
    std::vector<Line> lines;
    size_t p = from;
    while (p < to) {
        size_t lf = t.find('\n', p);
        if (lf == std::string::npos || lf >= to) {
            lines.push_back({p, to, to});
            break;
        }
        size_t end = lf > p && t[lf - 1] == '\r' ? lf - 1 : lf;
        lines.push_back({p, end, lf + 1});
        p = lf + 1;
    }
    return lines;
}

std::string lower(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool space(char c) { return c == ' ' || c == '\t'; }

std::string trim(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && (space(s[a]) || s[a] == '\r' || s[a] == '\n')) ++a;
    while (b > a && (space(s[b - 1]) || s[b - 1] == '\r' || s[b - 1] == '\n')) --b;
    return s.substr(a, b - a);
}

// The fields of a header (names in lower case, continuation lines joined);
// *bodyLine is the index of the line after the empty line, or lines.size()
// when the header has no end.
std::vector<std::pair<std::string, std::string>> readHeader(const std::string& t, const std::vector<Line>& lines,
                                                            size_t* bodyLine) {
    std::vector<std::pair<std::string, std::string>> fields;
    size_t i = 0;
    for (; i < lines.size(); ++i) {
        const Line& l = lines[i];
        if (l.start == l.end) {
            *bodyLine = i + 1;
            return fields;
        }
        if (space(t[l.start])) {
            if (!fields.empty()) fields.back().second += " " + trim(t.substr(l.start, l.end - l.start));
            continue;
        }
        size_t colon = t.find(':', l.start);
        if (colon == std::string::npos || colon >= l.end) continue;
        fields.emplace_back(lower(trim(t.substr(l.start, colon - l.start))),
                            trim(t.substr(colon + 1, l.end - colon - 1)));
    }
    *bodyLine = lines.size();
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
int boundaryLine(const std::string& t, const Line& l, const std::string& delim) {
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

std::vector<Part> bodyParts(const std::string& t, const std::vector<Line>& lines, size_t first,
                            const std::string& boundary) {
    std::vector<Part> parts;
    std::string delim = "--" + boundary;
    size_t open = lines.size();  // the boundary line of the part being read
    for (size_t i = first; i < lines.size(); ++i) {
        int b = boundaryLine(t, lines[i], delim);
        if (!b) continue;
        if (open < lines.size()) {
            size_t start = lines[open].next;
            size_t end = i > open + 1 ? lines[i - 1].end : start;
            parts.push_back({start, end});
        }
        if (b == 2) return parts;
        open = i;
    }
    if (open < lines.size()) parts.push_back({lines[open].next, t.size()});  // no closing boundary
    return parts;
}

struct PartView {
    ContentType type;
    std::string body;
};

PartView viewPart(const std::string& t, const Part& p) {
    std::vector<Line> lines = splitLines(t, p.start, p.end);
    size_t bodyLine = 0;
    auto fields = readHeader(t, lines, &bodyLine);
    PartView v;
    v.type = contentTypeOf(fields);
    size_t bodyStart = bodyLine < lines.size() ? lines[bodyLine].start : p.end;
    v.body = t.substr(bodyStart, p.end - bodyStart);
    return v;
}

// The armoured block of the given kind, from its first line to its last, with a CR LF.
bool armoured(const std::string& body, const char* kind, std::string& out) {
    std::string begin = std::string("-----BEGIN PGP ") + kind + "-----";
    std::string end = std::string("-----END PGP ") + kind + "-----";
    size_t b = body.find(begin);
    if (b == std::string::npos) return false;
    size_t e = body.find(end, b + begin.size());
    if (e == std::string::npos) return false;
    out = body.substr(b, e + end.size() - b) + "\r\n";
    return true;
}

bool hasVersionOne(const std::string& body) {
    for (const Line& l : splitLines(body, 0, body.size())) {
        std::string s = lower(trim(body.substr(l.start, l.end - l.start)));
        if (s.rfind("version:", 0) == 0 && trim(s.substr(8)) == "1") return true;
    }
    return false;
}

std::string canonical(const std::string& s) {
    std::string c;
    c.reserve(s.size() + s.size() / 32);
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\n' && (i == 0 || s[i - 1] != '\r')) c += '\r';
        c += s[i];
    }
    return c;
}

}  // namespace

bool parsePgpMime(const std::string& text, PgpMimeInput& out) {
    out = PgpMimeInput{};
    std::vector<Line> lines = splitLines(text, 0, text.size());
    size_t bodyLine = 0;
    auto fields = readHeader(text, lines, &bodyLine);
    if (bodyLine >= lines.size()) return false;
    ContentType ct = contentTypeOf(fields);
    std::string protocol = lower(ct.param("protocol"));
    std::string boundary = ct.param("boundary");
    // A boundary is at most 70 characters; a longer one is not trusted either.
    if (boundary.empty() || boundary.size() > 200) return false;
    if (ct.type == "multipart/encrypted" && protocol == "application/pgp-encrypted") {
        std::vector<Part> parts = bodyParts(text, lines, bodyLine, boundary);
        if (parts.size() < 2) return false;
        PartView control = viewPart(text, parts[0]);
        PartView data = viewPart(text, parts[1]);
        if (control.type.type != "application/pgp-encrypted" || !hasVersionOne(control.body)) return false;
        if (data.type.type != "application/octet-stream") return false;
        if (!armoured(data.body, "MESSAGE", out.armour)) return false;
        out.kind = PgpMimeInput::Encrypted;
        return true;
    }
    if (ct.type == "multipart/signed" && protocol == "application/pgp-signature") {
        std::vector<Part> parts = bodyParts(text, lines, bodyLine, boundary);
        if (parts.size() < 2) return false;
        PartView sig = viewPart(text, parts[1]);
        if (sig.type.type != "application/pgp-signature") return false;
        if (!armoured(sig.body, "SIGNATURE", out.armour)) return false;
        out.entity = text.substr(parts[0].start, parts[0].end - parts[0].start);
        out.canonical = canonical(out.entity);
        out.kind = PgpMimeInput::Signed;
        return true;
    }
    return false;
}

}  // namespace sdk
