// The jobs the file encryption window and the viewer run through the store.
#include "plugin/pgp_data.h"

#include "base/text.h"
#include "base/whole_file.h"
#include "base/wipe_text.h"
#include "engine/decode_job.h"
#include "engine/encode_job.h"
#include "formats/signature_line.h"
#include "plugin/msgbox.h"
#include "strings/text_client.h"

namespace orv {

namespace {

std::string Text(int number) { return texts::Get(number); }

}  // namespace

std::string PGPInfoBlock(const std::string& signatureLine) {
    std::string block = "PGP-Info: \t";
    const size_t bracket = signatureLine.find(')');
    if (bracket == std::string::npos) {
        block += signatureLine;
    } else {
        block += signatureLine.substr(0, bracket + 1);
        // The rest: the signer up to the comma, then key ID and validity.
        std::string rest(Trim(signatureLine.substr(bracket + 1)));
        const size_t comma = rest.rfind(", (");
        if (comma != std::string::npos) {
            block += "\r\n\t\t" + rest.substr(0, comma + 1);
            rest = rest.substr(comma + 2);
        }
        if (!rest.empty()) block += "\r\n\t\t" + rest;
    }
    return block + "\r\n" + std::string(11, '_') + "\r\n\r\n";
}

void TPGPData::ShowPGPError(PGPError err) {
    if (err == 0 || err == kPGPError_UserAbort || err == kPGPError_FilePermissions || !context_.MsgBox) return;
    const std::string text = texts::ErrorText(err);
    context_.MsgBox->Error(text.c_str());
}

void TPGPData::PrepareEncryption(const std::string& outputPath, bool textMode) {
    TPGPEncode& job = EncodeJob();
    job.ToFile = true;
    job.OutputFile = outputPath;
    job.PGPMIME = false;
    job.TextMode = textMode;
    job.Recipients = Settings.DefaultKeyID;
    job.AlwaysSelectKeys = false;
    job.SelectPrompt = Text(txt::PUBLIC_KEY);
}

void TPGPData::PrepareDecoding(bool toFile, const std::string& outputPath) {
    TPGPDecode& job = DecodeJob();
    job.ToFile = toFile;
    job.OutputFile = outputPath;
    job.PassThroughClearSigned = !Settings.CheckSig;
    job.PassThroughKeys = true;
}

PGPError TPGPData::AnalyzeFile(const std::string& path, bool& encrypted) {
    encrypted = false;
    if (!CheckPGPConfig()) return -1;
    const PGPError err = PGPDecode->AnalyzeFile(path);
    encrypted = PGPDecode->AnalyzeResult == kAnalyzeEncrypted;
    LastResult = err;
    ShowPGPError(err);
    return err;
}

PGPError TPGPData::FileJob(const std::string& path, const std::string& outputPath, bool encrypt) {
    if (!CheckPGPConfig()) return -1;
    PGPError err;
    if (encrypt) {
        PrepareEncryption(outputPath, false);
        err = PGPEncode->EncryptFile(path, false);
    } else {
        PrepareDecoding(true, outputPath);
        PGPDecode->PassThroughUnrecognized = false;
        err = PGPDecode->DecodeFile(path);
    }
    LastResult = err;
    CacheTimer(Settings.Store);
    ShowPGPError(err);
    return err;
}

std::string TPGPData::DecodeText(const std::string& text) {
    if (!CheckPGPConfig()) return text;
    PrepareDecoding(false, "");
    TPGPDecode& job = *PGPDecode;
    job.LookupOnServer = false;
    job.PassThroughUnrecognized = true;
    job.ImportFoundKeys = true;
    job.SetRecursive(false);
    job.ReportAlways = false;
    const PGPError err = job.DecodeBuffer(text);
    LastResult = err;
    if (!runConfig_) CacheTimer(Settings.Store);
    if (err != 0) {
        ShowPGPError(err);
        return text;
    }
    TSignatureReport report = SignatureReportOf(job.SignatureInfo, false, Text);
    std::string plain = std::move(job.OutputText);
    WipeText(job.OutputText);
    UnwrapPGPMimeLayers(plain, report, [&](const std::string& entity, std::string& inner, TSignatureReport& innerReport) {
        const PGPError innerErr = job.DecodeBuffer(entity);
        inner = std::move(job.OutputText);
        WipeText(job.OutputText);
        innerReport = SignatureReportOf(job.SignatureInfo, false, Text);
        return innerErr;
    });
    const std::string& line = report.Line;
    // Without a signature there is nothing to report above the text.
    if (line.empty()) return plain;
    std::string shown = PGPInfoBlock(line) + plain;
    WipeText(plain);
    return shown;
}

bool TPGPData::EncryptTextToFile(const std::string& text, const std::string& outputPath, bool& written) {
    written = false;
    if (!CheckPGPConfig()) return false;
    // The armour is made in memory and put in place whole, so a failed job or
    // write leaves the old file as it was.
    PrepareEncryption("", true);
    TPGPEncode& job = *PGPEncode;
    job.ToFile = false;
    const PGPError err = job.EncryptBuffer(text, false);
    LastResult = err;
    CacheTimer(Settings.Store);
    ShowPGPError(err);
    if (err != 0) return false;
    written = ReplaceWholeFile(outputPath, job.OutputText);
    job.OutputText.clear();
    return true;
}

}  // namespace orv
