#pragma once
// Runs an encoding order of the mail assembly on the session's encoding job.
// The configuration store sets the job's standing fields (comment, prompts,
// captions, key dialog choice, cache, owner window, OmitMIMEVersion); the
// order brings what changes from one text to the next.

#include "formats/pm_funcs.h"

namespace orv {

class TPGPEncode;

// The job's passphrase prompt is the order's title, " - " and the prompt
// as configured, for this run only.
TEncodeOutcome RunEncodeOrder(TPGPEncode& job, const TEncodeOrder& order, std::string& recipientSpec,
                              std::string& signKeyID);

}  // namespace orv
