#include "PhoneCommands.h"

const char kContactsPhonePath[] = "/data/data/com.android.providers.contacts/databases/contacts2.db";
const char kMessagesPhonePath[] = "/data/data/com.android.providers.telephony/databases/mmssms.db";
const char kMessagesDeviceProtectedPath[] =
    "/data/user_de/0/com.android.providers.telephony/databases/mmssms.db";
const char* const kSideFileSuffixes[2] = {"-wal", "-journal"};
const char kPhoneTempPrefix[] = "/data/local/tmp/quillfen-retrievo-";
const char kScriptDone[] = "quillfen-retrievo-done";
const SuForm kSuForms[3] = {SuForm::kDashC, SuForm::kZero, SuForm::kRoot};

const char* SuFormText(SuForm form) {
  switch (form) {
    case SuForm::kDashC: return "su -c";
    case SuForm::kZero: return "su 0";
    case SuForm::kRoot: return "su root";
  }
  return "su";
}

std::string PhoneQuote(const std::string& word) {
  std::string out = "'";
  for (char c : word) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out.push_back(c);
    }
  }
  out += "'";
  return out;
}

ClientArgs StartServerArgs() { return {"start-server"}; }

ClientArgs SdkVersionArgs() { return {"shell", "getprop ro.build.version.sdk"}; }

ClientArgs RootProbeArgs(SuForm form) { return {"shell", std::string(SuFormText(form)) + " id"}; }

ClientArgs AsRootArgs(const char* service, SuForm form, const std::string& script) {
  // "-c" hands its one argument to a shell; the user forms run a program, here that shell.
  if (form == SuForm::kDashC) return {service, "su -c " + PhoneQuote(script)};
  return {service, std::string(SuFormText(form)) + " sh -c " + PhoneQuote(script)};
}

ClientArgs SizeArgs(SuForm form, const std::string& phonePath) {
  return AsRootArgs("shell", form, "stat -c %s " + phonePath);
}

ClientArgs ListingArgs(SuForm form, const std::string& phonePath) {
  return AsRootArgs("shell", form, "ls -l " + phonePath);
}

ClientArgs StreamArgs(SuForm form, const std::string& phonePath) {
  return AsRootArgs("exec-out", form, "cat " + phonePath);
}

std::string TempCopyPath(const std::string& folder) { return folder + "/copy"; }

ClientArgs TempCopyArgs(SuForm form, const std::string& phonePath, const std::string& folder) {
  const std::string copy = TempCopyPath(folder);
  // Old toolboxes know neither "cp" nor "mkdir -m": cat and chmod do the same.
  return AsRootArgs("shell", form,
                    std::string("rm -rf ") + kPhoneTempPrefix + "*; mkdir " + folder +
                        " && chmod 700 " + folder + " && cat " + phonePath + " > " + copy +
                        " && chown shell:shell " + folder + " " + copy + " && chmod 600 " + copy +
                        " && echo " + kScriptDone);
}

ClientArgs TempRemoveArgs(SuForm form, const std::string& folder) {
  return AsRootArgs("shell", form, "rm -rf " + folder + " && echo " + kScriptDone);
}
