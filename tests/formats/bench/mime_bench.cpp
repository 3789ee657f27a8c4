// Timing of the main MIME operations on a message and on one ten times larger.
// Linear code shows a ratio near 10 in the last column.

#include "formats/mcfuncs.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <string>

namespace {

using orv::TMCFuncs;

std::string Message(int scale) {
    std::mt19937 rng(42);
    std::string text;
    for (int i = 0; i < 2000 * scale; ++i) text += "Gr=FC=DFe aus M=FCnchen, eine Zeile Text mit Umlauten =E4=F6=\r\n";
    std::string binary(60000 * scale, '\0');
    for (char& c : binary) c = static_cast<char>(rng());

    std::string m;
    m += "From: =?ISO-8859-1?Q?J=FCrgen?= <j@x>\r\nTo: b@y\r\nSubject: =?ISO-8859-1?Q?Gr=FC=DFe?=\r\n";
    for (int i = 0; i < 200 * scale; ++i) m += "Received: from host" + std::to_string(i) + "\r\n\tby relay; Mon\r\n";
    m += "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"mix\"\r\n\r\n";
    for (int part = 0; part < 3; ++part) {
        m += "--mix\r\nContent-Type: text/plain; charset=iso-8859-1\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n";
        m += text;
        m += "\r\n--mix\r\nContent-Type: application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n"
             "Content-Disposition: attachment; filename=\"d" + std::to_string(part) + ".bin\"\r\n\r\n";
        m += TMCFuncs::Base64EncodeBuffer(binary);
        m += "\r\n";
    }
    m += "--mix--\r\n";
    return m;
}

// Best of three runs, so that a first touch of fresh memory does not count.
double Millis(const std::function<void()>& work) {
    double best = 1e300;
    for (int run = 0; run < 3; ++run) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (ms < best) best = ms;
    }
    return best;
}

void Row(const char* name, const std::function<void(const std::string&)>& op, const std::string& small,
         const std::string& large) {
    const double a = Millis([&] { op(small); });
    const double b = Millis([&] { op(large); });
    std::printf("%-22s %10.2f ms %10.2f ms %8.1f\n", name, a, b, a > 0 ? b / a : 0.0);
}

}  // namespace

int main() {
    const std::string small = Message(1);
    const std::string large = Message(10);
    std::printf("message sizes: %zu and %zu bytes\n", small.size(), large.size());
    std::printf("%-22s %13s %13s %8s\n", "operation", "message", "10 x", "ratio");

    volatile std::size_t sink = 0;
    TMCFuncs mc;
    Row("ExtractBody", [&](const std::string& m) { sink = sink + mc.ExtractBody(m).size(); }, small, large);
    Row("SaveMimeAttachments", [&](const std::string& m) {
        mc.SaveMimeAttachments(m);
        sink = sink + mc.slMimeParts.size();
        mc.ClearMimeParts();
    }, small, large);
    Row("ConvertText", [&](const std::string& m) { sink = sink + TMCFuncs::ConvertText(m).size(); }, small, large);
    Row("DecodeHeader", [&](const std::string& m) { sink = sink + TMCFuncs::DecodeHeader(m).size(); }, small, large);
    Row("Base64EncodeBuffer", [&](const std::string& m) { sink = sink + TMCFuncs::Base64EncodeBuffer(m).size(); },
        small, large);
    Row("Base64DecodeBuffer", [&](const std::string& m) { sink = sink + TMCFuncs::Base64DecodeBuffer(m).size(); },
        TMCFuncs::Base64EncodeBuffer(small), TMCFuncs::Base64EncodeBuffer(large));
    Row("UUEncode", [&](const std::string& m) { sink = sink + TMCFuncs::UUEncode(m).size(); }, small, large);
    Row("CompressHeader", [&](const std::string& m) {
        std::string header = m, boundary;
        sink = sink + TMCFuncs::CompressHeader(header, boundary);
    }, small, large);
    Row("GetHeaderLine (all)", [&](const std::string& m) {
        std::string_view text = std::string_view(m).substr(0, m.find("\r\n\r\n") + 4);
        while (!text.empty()) sink = sink + TMCFuncs::GetHeaderLine(text).size();
    }, small, large);
    Row("ExtractMime", [&](const std::string& m) {
        std::string body = m;
        TMCFuncs::GetHeader(body);
        sink = sink + TMCFuncs::ExtractMime("mix", body).size();
    }, small, large);
    // Hostile: a long boundary and a body of lines that almost match it.
    auto nearMisses = [](int scale) {
        std::string body;
        const std::string line = "--" + std::string(4000, 'a') + "b\r\n";
        for (int i = 0; i < 100 * scale; ++i) body += line;
        return body;
    };
    const std::string longBoundary(4001, 'a');
    Row("ExtractMime near-miss", [&](const std::string& m) {
        sink = sink + TMCFuncs::ExtractMime(longBoundary, m).size();
    }, nearMisses(1), nearMisses(10));
    return 0;
}
