// A running encoding or decoding job: its options, its event handler and the
// options the handler adds while the job runs.
#pragma once

#include "standin/sdk/internal.h"

struct PGPJob : sdk::Tagged<sdk::Tag::Job> {
    sdk::JobState* state = nullptr;
};

namespace sdk {

struct JobState {
    PGPContextRef context = nullptr;
    std::vector<Option> options;
    std::vector<Option> added;  // from PGPAddJobOptions, taken by the job after each event
    PGPEventHandlerProcPtr handler = nullptr;
    PGPUserValue userValue = nullptr;
    PGPJob job;

    explicit JobState(PGPContextRef c) : context(c) { job.state = this; }
    PGPError event(PGPEvent& e) { return sendEvent(*this, e); }
    PGPError simple(PGPEventType type) {
        PGPEvent e{};
        e.type = type;
        return event(e);
    }
    PGPError error(PGPError err) {
        PGPEvent e{};
        e.type = kPGPEvent_ErrorEvent;
        e.data.errorData.error = err;
        event(e);
        return err;
    }
    // Options the handler added since the last call, handed over.
    std::vector<Option> takeAdded() {
        std::vector<Option> a = std::move(added);
        added.clear();
        return a;
    }
};

// The opening of PGPEncode and PGPDecode: the job's options gathered (taken
// over), the context checked and the event handler found.
PGPError startJob(JobState& job, PGPOptionListRef first, va_list ap);

// RNP names of the SDK's cipher and hash numbers ("" when unknown).
const char* cipherName(int algorithm);
const char* hashName(int algorithm);

}  // namespace sdk
