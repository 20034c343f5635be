#include "SqliteParse.h"

#include "ContactRecovery.h"
#include "MessageRecovery.h"
#include "RecoveredText.h"

SqliteParse::SqliteParse(const std::string& contactsPath, const std::string& smsPath)
    : contactsDbPath(contactsPath), smsDbPath(smsPath) {}

SqliteParse::~SqliteParse() = default;

std::string SqliteParse::get_contacts_mem() { return recoveredText; }

void SqliteParse::startParse(ePaserType type) {
  if (type != ePaserContacts && type != ePaserSms) return;
  engine::RunLimits limits;
  limits.cancel = cancelFlag;
  limits.deadline = std::chrono::steady_clock::now() + engine::kSqliteDeadline;
  if (type == ePaserContacts) {
    engine::ContactRecovery run(limits);
    run.run(engine::PageSource::openFiles(contactsDbPath), engine::fileNameOf(contactsDbPath));
    typedContacts = std::move(run.contacts());
    runReport = std::move(run.report());
    recoveredText = engine::contactsText(typedContacts);
  } else {
    engine::MessageRecovery run(limits);
    run.run(engine::PageSource::openFiles(smsDbPath), engine::fileNameOf(smsDbPath),
            engine::PageSource::openFiles(contactsDbPath), engine::fileNameOf(contactsDbPath));
    typedMessages = std::move(run.messages());
    runReport = std::move(run.report());
    recoveredText = engine::messagesText(typedMessages);
  }
  // A cancelled run stopped where it was asked to: it says so, and nothing else.
  if (cancelFlag != nullptr && cancelFlag->load()) {
    runReport.cancelled = true;
    runReport.problem.clear();
    runReport.liveRowsComplete = true;
  }
}
