// The requests to the coordinating server: each writes its body, sends it to the server's
// window with a reply message, and reads what came back.

#include "MarloDemon.h"

#include "ProcessWait.h"

#include <QBuffer>

namespace {

EQuillon couldNotExecute(const QString &fileName) {
  return EQuillon(QStringLiteral("Could not execute \"%1.\"").arg(fileName));
}

} // namespace

std::unique_ptr<TQuillonMessageStream> TkdbDemonClient::request(std::int32_t code,
                                                                const TQuillonMessageStream &body) {
  auto reply = std::make_unique<TQuillonMessageStream>(this);
  TQuillonMessageStream request(this);
  request.MsgCode = code;
  request.SetMemory(body.Memory());
  SendTo(*ServerEntity, request, reply.get());
  reply->SetPosition(0);
  return reply;
}

void TkdbDemonClient::SendLogon() {
  TQuillonMessageStream msg(this);
  msg.MsgCode = mcLogon;
  OwnEntity->WriteToStream(msg);
  SendTo(*ServerEntity, msg);
}

void TkdbDemonClient::SendLogoff() {
  TQuillonMessageStream msg(this);
  msg.MsgCode = mcLogoff;
  OwnEntity->WriteToStream(msg);
  SendTo(*ServerEntity, msg);
}

std::unique_ptr<TEntity> TkdbDemonClient::QueryEntityByTitle(const QString &title) {
  TQuillonMessageStream body(this);
  body.WriteByte(qeByTitle);
  body.WriteString(title);
  const auto reply = request(mcQueryEntity, body);
  return ReadEntityReply(this, *reply);
}

std::unique_ptr<TEntity> TkdbDemonClient::QueryEntityByHandle(THandle handle) {
  TQuillonMessageStream body(this);
  body.WriteByte(qeByHandle);
  body.WriteInteger(static_cast<std::int32_t>(handle));
  const auto reply = request(mcQueryEntity, body);
  return ReadEntityReply(this, *reply);
}

std::int32_t TkdbDemonClient::RunProgram(const QString &fileName, const QString &parameters,
                                         bool wait, std::int32_t mode) {
  TQuillonMessageStream body(this);
  body.WriteString(fileName);
  body.WriteString(parameters);
  body.WriteBoolean(wait);
  body.WriteInteger(mode);
  const std::int32_t pid = request(mcRunProgram, body)->ReadInteger();
  if (pid == 0)
    throw couldNotExecute(fileName);
  if (!wait)
    return pid;
  // The program is the server's child, not ours: the system tells its exit status only to
  // its parent, so the wait ends with the process but the code is known only for a child of
  // this process (platform::kExitCodeUnknown, -1, otherwise).
  const platform::ProcessHandle process = platform::openProcess(static_cast<pid_t>(pid));
  if (process == 0)
    throw couldNotExecute(fileName);
  platform::waitForProcess(process, -1);
  const std::optional<int> code = platform::exitCode(process);
  platform::closeProcess(process);
  return code.value_or(platform::kExitCodeUnknown);
}

std::unique_ptr<QBuffer> TkdbDemonClient::GetFileStream(const QString &fileName) {
  TQuillonMessageStream body(this);
  body.WriteString(fileName);
  const auto reply = request(mcGetFile, body);
  return ReadFileReply(*reply);
}

QString TkdbDemonClient::MapFileName(const QString &name) {
  TQuillonMessageStream body(this);
  body.WriteString(name);
  return request(mcMapFileName, body)->ReadString();
}

QString TkdbDemonClient::QueryString(const QString &text) {
  TQuillonMessageStream body(this);
  body.WriteString(text);
  return request(mcQueryString, body)->ReadString();
}

QString TkdbDemonClient::GetServerParam(const QString &name) {
  if (m_useMarloServer) {
    TQuillonMessageStream body(this);
    body.WriteString(name);
    return request(mcGetServerParam, body)->ReadString();
  }
  if (name != QLatin1String("MarloWorkArea") && name != QLatin1String("MarloHomeDir"))
    return QString();
  const QString path = ParamStr(0);
  QString folder = path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
  if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')) &&
      !folder.endsWith(QLatin1Char('\\')))
    folder += QLatin1Char('/');
  return folder;
}
