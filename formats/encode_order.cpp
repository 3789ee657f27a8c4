#include "formats/encode_order.h"

#include "engine/encode_job.h"

namespace orv {

TEncodeOutcome RunEncodeOrder(TPGPEncode& job, const TEncodeOrder& order, std::string& recipientSpec,
                              std::string& signKeyID) {
    TEncodeOutcome outcome;
    const std::string prompt = job.PassphrasePrompt;
    if (!order.Title.empty()) job.PassphrasePrompt = order.Title + " - " + prompt;
    job.Recipients = recipientSpec;
    job.SignerKeyID = signKeyID;
    job.PGPMIME = order.PGPMIME;
    job.TextMode = order.TextMode;
    job.Armor = true;
    job.ToFile = false;
    job.RecipientsConfirmed = false;
    job.AppendOutputTo = order.AppendTo;
    job.AppendRoom = order.AppendRoom;
    const std::string_view data = order.DataView.data() ? order.DataView : std::string_view(order.Data);
    try {
        switch (order.Operation) {
            case TEncodeOperation::Encrypt:
                outcome.Error = job.EncryptBuffer(data, order.Sign);
                break;
            case TEncodeOperation::ClearSign:
                outcome.Error = job.ClearSignBuffer(data);
                break;
            case TEncodeOperation::DetachedSign:
                outcome.Error = job.DetachedSignBuffer(data);
                break;
        }
    } catch (...) {
        outcome.Error = kEncodeErrStoreResult;
    }
    job.PassphrasePrompt = prompt;
    job.AppendOutputTo = nullptr;
    job.AppendRoom = 0;
    if (outcome.Error == 0) {
        outcome.Output = std::move(job.OutputText);
        outcome.MIMESeparator = job.MIMESeparator;
        recipientSpec = job.Recipients;
        signKeyID = job.SignerKeyID;
    }
    // A clear-signed or failed run may leave the message text here.
    WipeText(job.OutputText);
    return outcome;
}

}  // namespace orv
