#include "standin/mailclient/options.h"

#include <windows.h>

#include <cstdlib>

namespace orv::mailclient {

const char* const kUsage =
    "PMailStandin [options]\n"
    "  -I NAME, --user NAME     mail client user (registry Username)\n"
    "  --mailbox DIR            mailbox directory (default: <program dir>\\mail\\<user>)\n"
    "  --basedir DIR            client program directory (default: the program's directory)\n"
    "  --from ADDRESS           address of the default identity\n"
    "  --bcc TEXT               default blind copies of the default identity\n"
    "  --identity NAME=ADDRESS[;BCC]  another identity (repeatable)\n"
    "  --sdk-dir DIR            directory of the PGP SDK libraries (or ORV_SDK_DIR)\n"
    "  --module PATH            extension to load (repeatable); the first is the encryptor, else\n"
    "                           the library a form file marks so, else Merrowin.dll beside the program\n"
    "  --form NAME              start this form of the first module\n"
    "  --menu TITLE>...>ITEM    choose a menu item of the frame by its texts after the start (repeatable)\n"
    "  --encrypt FILE | --sign FILE | --decrypt FILE | --verify FILE | --keys FILE|:CLIP: | --destroy FILE\n"
    "  --output FILE            result file of the encryptor call\n"
    "  --recipients TEXT        recipients handed to the encryptor\n"
    "  --host-word N            value of the request's host word\n"
    "  --charset NAME           charset the client reports for a message\n"
    "  --folder NAME            folder the folder choice answers\n"
    "  --send-flags N           encryptor number written by a send (1 encrypt, 4 sign)\n"
    "  --new-editor             open a message editor at start\n"
    "  --send-to ADDRESS        write a message in a new editor and press its Send control\n"
    "  --subject TEXT           subject of that message\n"
    "  --body FILE              text of that message\n"
    "  --report FILE            write every event line to FILE\n"
    "  --language XX            host language (its file WPM32XX.dat is held open; default English)\n"
    "  --pmr-dir DIR            directory of the global address books (PMR line of PEGASUS.INI)\n"
    "  --readers mdi|plain|header  reader layout\n"
    "  --open-folder FILE       show this folder (\"OUTBOX.PMM\") in the folder manager at start\n"
    "  --read N                 open message N of that folder in a reader\n"
    "  --stay                   keep running after the encryptor calls\n"
    "  --quit                   end after the start, without waiting for the user\n"
    "  --hidden                 do not show the frame\n"
    "  --ask-close              an editor holding text asks before it closes\n";

namespace {

bool ParseNumber(const std::string& text, unsigned long* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    *value = std::strtoul(text.c_str(), &end, 0);
    return end && *end == '\0';
}

}  // namespace

bool ParseOptions(const std::vector<std::string>& args, Options* o, std::string* error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= args.size()) {
                *error = a + " needs a value";
                return false;
            }
            *out = args[++i];
            return true;
        };
        std::string v;
        auto job = [&](CryptOp op) {
            if (!value(&v)) return false;
            o->jobs.push_back({op, v});
            return true;
        };
        bool ok = true;
        if (a == "-I" || a == "-i" || a == "--user") ok = value(&o->user.userName);
        else if (a == "--mailbox") ok = value(&o->user.mailboxDir);
        else if (a == "--basedir") ok = value(&o->user.programDir);
        else if (a == "--from") ok = value(&o->user.fromAddress);
        else if (a == "--bcc") ok = value(&o->user.defaultBcc);
        else if (a == "--identity") {
            ok = value(&v);
            size_t eq = v.find('=');
            if (ok && (eq == std::string::npos || eq == 0)) {
                *error = "--identity needs NAME=ADDRESS";
                return false;
            }
            if (ok) {
                Identity id;
                id.name = v.substr(0, eq);
                std::string rest = v.substr(eq + 1);
                size_t semi = rest.find(';');
                id.fromAddress = rest.substr(0, semi);
                if (semi != std::string::npos) id.defaultBcc = rest.substr(semi + 1);
                o->user.identities.push_back(id);
            }
        } else if (a == "--sdk-dir") ok = value(&o->sdkDir);
        else if (a == "--module") {
            ok = value(&v);
            if (ok) o->modules.push_back(v);
        } else if (a == "--form") {
            ok = value(&v);
            if (ok) o->forms.push_back(v);
        } else if (a == "--menu") {
            ok = value(&v);
            if (ok) o->menus.push_back(v);
        } else if (a == "--encrypt") ok = job(CryptOp::Encrypt);
        else if (a == "--sign") ok = job(CryptOp::Sign);
        else if (a == "--decrypt") ok = job(CryptOp::Decrypt);
        else if (a == "--verify") ok = job(CryptOp::Verify);
        else if (a == "--keys") ok = job(CryptOp::Keys);
        else if (a == "--destroy") ok = job(CryptOp::Destroy);
        else if (a == "--output") ok = value(&o->output);
        else if (a == "--recipients") ok = value(&o->recipients);
        else if (a == "--host-word") {
            ok = value(&v);
            if (ok && !ParseNumber(v, &o->hostWord)) {
                *error = "--host-word needs a number";
                return false;
            }
        } else if (a == "--charset") ok = value(&o->charset);
        else if (a == "--folder") ok = value(&o->folder);
        else if (a == "--send-flags") {
            ok = value(&v);
            unsigned long n = 0;
            if (ok && !ParseNumber(v, &n)) {
                *error = "--send-flags needs a number";
                return false;
            }
            o->encryptorFlags = int(n);
        } else if (a == "--report") ok = value(&o->report);
        else if (a == "--language") ok = value(&o->language);
        else if (a == "--pmr-dir") ok = value(&o->user.globalBookDir);
        else if (a == "--readers") {
            ok = value(&o->readerLayout);
            if (ok && o->readerLayout != "mdi" && o->readerLayout != "plain" && o->readerLayout != "header") {
                *error = "--readers needs mdi, plain or header";
                return false;
            }
        } else if (a == "--open-folder") ok = value(&o->openFolder);
        else if (a == "--read") {
            ok = value(&v);
            unsigned long n = 0;
            if (ok && (!ParseNumber(v, &n) || n == 0)) {
                *error = "--read needs a message number from 1";
                return false;
            }
            o->readIndex = int(n) - 1;
        }
        else if (a == "--new-editor") o->newEditor = true;
        else if (a == "--send-to") ok = value(&o->sendTo);
        else if (a == "--subject") ok = value(&o->subject);
        else if (a == "--body") ok = value(&o->bodyFile);
        else if (a == "--stay") o->stay = true;
        else if (a == "--quit") o->quit = true;
        else if (a == "--hidden") o->hidden = true;
        else if (a == "--ask-close") o->askClose = true;
        else if (a == "--help" || a == "-h" || a == "/?") o->help = true;
        else {
            *error = "unknown option " + a;
            return false;
        }
        if (!ok) return false;
    }
    return true;
}

void CompleteOptions(Options* o, const std::string& programDir, const std::string& programPath) {
    if (o->user.programDir.empty()) o->user.programDir = programDir;
    o->user.programDir = WithBackslash(o->user.programDir);
    if (o->user.mailboxDir.empty()) o->user.mailboxDir = programDir + "mail\\" + o->user.userName;
    o->user.mailboxDir = WithBackslash(o->user.mailboxDir);
    if (o->user.fromAddress.empty()) o->user.fromAddress = o->user.userName + "@example.org";
    // What a restart by the launcher runs again: the program with its user.
    // A name with blanks is one argument for the launcher's next restart too.
    const bool blanks = o->user.userName.find_first_of(" \t") != std::string::npos;
    o->user.commandLine = "\"" + programPath + "\" " + host::kUserSwitch + " " +
                          (blanks ? "\"" + o->user.userName + "\"" : o->user.userName);
    if (o->sdkDir.empty()) {
        if (const char* env = std::getenv("ORV_SDK_DIR")) o->sdkDir = env;
    }
}

}  // namespace orv::mailclient
