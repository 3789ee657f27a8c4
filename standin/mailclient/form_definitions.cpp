#include "standin/mailclient/form_definitions.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "standin/mailclient/handles.h"
#include "standin/mailclient/host.h"
#include "standin/mailclient/host_interface.h"
#include "standin/mailclient/mail_files.h"

namespace orv::mailclient {

namespace {

std::string Trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) return {};
    size_t b = s.find_last_not_of(" \t\r\n");
    return s.substr(a, b - a + 1);
}

bool KeyIs(const std::string& key, const char* name) { return lstrcmpiA(key.c_str(), name) == 0; }

}  // namespace

bool FormDefinition::Startup() const { return (flags & host::kFormFlagStartup) != 0; }
bool FormDefinition::Encryptor() const { return (flags & host::kFormFlagEncryptor) != 0; }

bool ParseFormDefinition(const std::string& text, const std::string& dir, FormDefinition* form) {
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = Trim(line.substr(0, eq)), value = Trim(line.substr(eq + 1));
        if (KeyIs(key, "Form DLL")) {
            value.erase(std::remove(value.begin(), value.end(), '"'), value.end());
            bool absolute = value.size() > 1 && (value[1] == ':' || (value[0] == '\\' && value[1] == '\\'));
            form->library = absolute || value.empty() ? value : dir + value;
        } else if (KeyIs(key, "Form name")) {
            form->name = value;
        } else if (KeyIs(key, "Form data")) {
            form->data = value;
        } else if (KeyIs(key, "Form flags")) {
            form->flags = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 0));
        }
    }
    return !form->library.empty();
}

std::vector<FormDefinition> FormDefinitionsIn(const std::string& dir) {
    std::vector<FormDefinition> forms;
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    UniqueFind find(FindFirstFileA((dir + "*" + host::kFormFileExt).c_str(), &fd));
    if (find) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(fd.cFileName);
        } while (FindNextFileA(find.get(), &fd));
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        std::string text;
        FormDefinition form;
        form.file = dir + name;
        if (ReadFileText(form.file, &text) && ParseFormDefinition(text, dir, &form)) forms.push_back(form);
    }
    return forms;
}

void Host::LoadFormFiles() {
    std::vector<FormDefinition> all = FormDefinitionsIn(user_.mailboxDir);
    if (lstrcmpiA(user_.mailboxDir.c_str(), user_.programDir.c_str()) != 0)
        for (FormDefinition& f : FormDefinitionsIn(user_.programDir)) all.push_back(f);
    for (const FormDefinition& form : all) {
        Log("form file " + form.file);
        if (Extension* ext = LoadExtension(form.library)) {
            if (form.Startup()) startupForms_.push_back({ext, form.data, form.name});
            if (form.Encryptor() && !formEncryptor_) formEncryptor_ = ext;
        }
    }
}

void Host::StartForms() {
    for (const StartupForm& f : startupForms_) {
        if (!f.extension->formInit) continue;
        OpenForm(*f.extension, f.data, f.title.empty() ? std::string("Form") : f.title);
    }
    startupForms_.clear();
}

}  // namespace orv::mailclient
