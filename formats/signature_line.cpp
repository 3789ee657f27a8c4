#include "formats/signature_line.h"

#include "base/key_id.h"
#include "base/wipe_text.h"
#include "engine/decode_job.h"
#include "formats/decryptor.h"
#include "formats/mime_text.h"
#include "formats/pgp_recognition.h"

namespace orv {

namespace {

constexpr std::size_t npos = std::string::npos;
// Layers nested deeper than this stay as they are.
constexpr int kMaxLayers = 8;

std::string Of(const TTextSource& text, int number) { return text ? text(number) : std::string(); }

}  // namespace

int SignatureStatusCode(int status, int validity, bool marginalIsInvalid) {
    switch (status) {
        case kSigGood:
            return validity >= 3 || (validity == 2 && !marginalIsInvalid) ? kSigCodeGoodValid : kSigCodeGoodInvalid;
        case kSigBad:
            return kSigCodeBad;
        case kSigUnknownKey:
        case kSigNotSigningKey:
            return kSigCodeNoKey;
        default:
            return kSigCodeNone;
    }
}

std::string SignatureLine(int code, bool unknownKey, const std::string& note, const std::string& userID,
                          const std::string& keyID, int validity, const TTextSource& text) {
    auto T = [&](int n) { return Of(text, n); };
    if (code == kSigCodeNoKey) {
        if (unknownKey) return T(txt::NO_KEY) + " [ " + ShortKeyID(keyID) + " ]" + T(txt::FOR_SIGN);
        return T(txt::NO_ALG) + T(txt::FOR_SIGN);
    }
    if (code < kSigCodeGoodValid || code > kSigCodeBad) return {};
    std::string line = T(code == kSigCodeBad ? txt::_BAD : txt::_GOOD) + T(txt::SIGN_FROM);
    if (!note.empty()) {
        const std::size_t blank = line.rfind(' ');
        line.insert(blank == npos ? line.size() : blank, " (" + note + ")");
    }
    const int v = validity < 0 ? 0 : validity > 3 ? 3 : validity;
    line += " " + userID + ", (" + ShortKeyID(keyID) + "): " + T(txt::VALID_UNKNOWN + v);
    return line;
}

std::string SignatureNoteOf(const TSignatureInfo& info, const TTextSource& text) {
    TSignatureNotes notes;
    notes.BadSignature = Of(text, txt::BAD_SIG);
    notes.DisabledKey = Of(text, txt::KEY_DIS);
    notes.ExpiredKey = Of(text, txt::KEY_EXP);
    notes.RevokedKey = Of(text, txt::KEY_REV);
    notes.UnknownKey = Of(text, txt::KEY_UNK);
    return SignatureNote(info, notes);
}

TSignatureReport SignatureReportOf(const TSignatureInfo& info, bool marginalIsInvalid, const TTextSource& text) {
    TSignatureReport report;
    report.Code = SignatureStatusCode(info.Status, info.Validity, marginalIsInvalid);
    if (report.Code != kSigCodeNone)
        report.Line = SignatureLine(report.Code, info.Status == kSigUnknownKey, SignatureNoteOf(info, text),
                                    info.UserID, info.KeyIDText, info.Validity, text);
    return report;
}

bool IsWeakerSignature(int code, int than) {
    auto strength = [](int c) {
        switch (c & ~kSigCodeEncrypted) {
            case kSigCodeBad: return SignatureStrength(kSigBad, true);
            case kSigCodeNoKey: return SignatureStrength(kSigUnknownKey, true);
            case kSigCodeGoodInvalid: return SignatureStrength(kSigGood, false);
            case kSigCodeGoodValid: return SignatureStrength(kSigGood, true);
            default: return SignatureStrength(kSigNone, false);
        }
    };
    return strength(code) < strength(than);
}

void UnwrapPGPMimeLayers(std::string& plain, TSignatureReport& report, const TDecodeLayer& decode) {
    for (int layer = 0; layer < kMaxLayers && IsPGPMimeEntity(plain); ++layer) {
        std::string entity = mime::NormaliseLineEnds(plain);
        std::string inner;
        TSignatureReport innerReport;
        const int err = decode(entity, inner, innerReport);
        WipeText(entity);
        if (err != 0) {
            WipeText(inner);
            return;
        }
        if (IsWeakerSignature(innerReport.Code, report.Code)) report = std::move(innerReport);
        WipeText(plain);
        plain = std::move(inner);
    }
}

std::string WithUnsignedDataNote(const std::string& line, const TTextSource& text) {
    return Of(text, txt::EXTRA_DATA) + "\r\n" + line;
}

std::string StatusLineOf(const std::string& line, bool unsignedData, const TTextSource& text) {
    return unsignedData ? Of(text, txt::EXTRA_DATA) + " " + line : line;
}

std::string ReformatSignatureLine(std::string_view line) {
    const std::size_t comma = line.find(',');
    if (comma == npos) return std::string(line);
    std::string out(line.substr(0, comma));
    const std::string_view rest = Trim(line.substr(comma + 1));
    const std::size_t close = rest.find(')');
    if (close == npos) return out + "\r\n" + std::string(rest);
    out += "\r\n";
    out += rest.substr(0, close + 1);
    const std::string_view after = Trim(rest.substr(close + 1));
    if (!after.empty()) {
        out += "\r\n";
        out += after;
    }
    return out;
}

std::string CutSignatureLine(std::string line) {
    if (line.size() > kVerifyLineMax) {
        line.resize(kVerifyLineMax - 4);
        line += " ...";
    }
    return line;
}

}  // namespace orv
