#pragma once
// The stand-in's command line.

#include <string>
#include <vector>

#include "standin/mailclient/host.h"

namespace orv::mailclient {

struct CryptJob {
    CryptOp op = CryptOp::Encrypt;
    std::string file;
};

struct Options {
    UserSetup user;
    std::string sdkDir;                  // --sdk-dir, else ORV_SDK_DIR
    std::vector<std::string> modules;    // --module
    std::vector<std::string> forms;      // --form: started in the first module
    std::vector<std::string> menus;      // --menu: frame menu items chosen after the start
    std::vector<CryptJob> jobs;          // --encrypt, --sign, --decrypt, --verify, --keys, --destroy
    std::string output;                  // --output
    std::string recipients;              // --recipients
    unsigned long hostWord = 0;          // --host-word
    std::string charset = "ISO-8859-1";  // --charset
    std::string folder;                  // --folder: answer of the folder choice
    int encryptorFlags = 1;              // --send-flags: "X-PM-Encryptor" number of a send
    std::string report;                  // --report: a file receiving every log line
    std::string language;                // --language: host language ("" English)
    std::string readerLayout = "mdi";    // --readers mdi|plain|header
    std::string openFolder;              // --open-folder: folder file shown at start
    int readIndex = -1;                  // --read N: message N (1-based) of that folder opened
    bool newEditor = false;              // --new-editor
    std::string sendTo;                  // --send-to: a message written in a new editor and sent
    std::string subject;                 // --subject of that message
    std::string bodyFile;                // --body: file holding its text
    bool stay = false;                   // --stay: keep running after the jobs
    bool quit = false;                   // --quit: end after the start even without jobs
    bool hidden = false;                 // --hidden: no visible frame
    bool askClose = false;               // --ask-close: editors with text ask before closing
    bool help = false;
};

// args without the program name. False with a message on a bad command line.
bool ParseOptions(const std::vector<std::string>& args, Options* options, std::string* error);
// Fills the defaults that depend on the program's place and the environment.
void CompleteOptions(Options* options, const std::string& programDir, const std::string& programPath);

extern const char* const kUsage;

}  // namespace orv::mailclient
