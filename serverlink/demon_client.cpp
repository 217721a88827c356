// The client component: its window's names, start-up (log-on, language, translation of the
// owner), the dispatch of what arrives unasked, and log-off on the way out.

#include "MarloDemon.h"

#include "Glossan2000.h"
#include "LanguageLookup.h"

#include <QBuffer>
#include <QFile>

namespace {

// The language file of a program: on this system a program file has no extension, so a file
// name without "." gets ".itl" appended; one with a "." loses its last four characters first,
// as a four-character extension would.
QString languageFileFor(const QString &programPath) {
  const QString name = programPath.mid(programPath.lastIndexOf(QLatin1Char('/')) + 1);
  if (!name.contains(QLatin1Char('.')))
    return programPath + QStringLiteral(".itl");
  return programPath.left(std::max<qsizetype>(programPath.size() - 4, 0)) + QStringLiteral(".itl");
}

} // namespace

TkdbDemonClient::TkdbDemonClient(QObject *owner, DemonEnvironment env)
    : TkdbCustomDemon(owner, std::move(env)) {
  createHiddenWindow();
}

TkdbDemonClient::~TkdbDemonClient() {
  // A quit message that arrives during the log-off must not start a second destruction.
  m_destroying = true;
  if (!ServerDown && !IsDesigning()) {
    try {
      SendLogoff();
    } catch (...) {
      // A server that answers the record query with nonsense cannot stop the shutdown.
    }
  }
}

QString TkdbDemonClient::GetWindowClassName() const { return QString::fromLatin1(WindowClassName); }

QString TkdbDemonClient::GetWindowName() const { return QString(); }

QString TkdbDemonClient::languageFileName(const QString &programPath) {
  return languageFileFor(programPath);
}

void TkdbDemonClient::Loaded() {
  if (!IsDesigning())
    ConnectToServer();
  TkdbCustomDemon::Loaded();
}

void TkdbDemonClient::ConnectToServer() {
  if (m_useMarloServer) {
    if (ServerEntity->WindowHandle == 0)
      throw EQuillon(QStringLiteral("Quillon server application is not running"));
    SendLogon();
  }
  LoadLanguage();
}

void TkdbDemonClient::LoadLanguage() {
  if (IsDesigning())
    return;
  std::unique_ptr<QIODevice> stream;
  if (m_useMarloServer) {
    const QString mapped = MapFileName(programPath());
    stream = GetFileStream(languageFileFor(mapped));
  } else {
    const QString locale =
        language::messagesLocale([](const char *name) { return qEnvironmentVariable(name); });
    for (const QString &path :
         language::candidates(programPath(), languageFileFor(programPath()), locale)) {
      auto file = std::make_unique<QFile>(path);
      if (file->open(QIODevice::ReadOnly)) {
        stream = std::move(file);
        break;
      }
    }
  }
  if (stream)
    Translator->LoadFromStream(*stream);
  if (m_autoTranslate && Translator && parent())
    Translator->TranslateComponent(parent());
}

void TkdbDemonClient::HandleMessage(std::unique_ptr<TQuillonMessageStream> &msg) {
  switch (msg->MsgCode) {
  case mcQuit: {
    ServerDown = msg->ReadBoolean();
    bool allowQuit = true;
    if (OnQuitMsgReceived)
      OnQuitMsgReceived(this, ServerDown, allowQuit);
    if (allowQuit)
      destroyWhenIdle();
    break;
  }
  case mcReply: fileReply(msg); break;
  case mcParams:
    Params = msg->ReadLines();
    if (OnParamsChange)
      OnParamsChange(this);
    break;
  default:
    if (OnGotAMessage)
      OnGotAMessage(this, *msg);
    break;
  }
}
