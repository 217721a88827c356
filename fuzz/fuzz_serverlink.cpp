// The receive path of the server link: frames as the hidden window receives them, the typed
// reads of a message body, the participant record, the replies the client reads and the
// requests the server reads. Input layout: one selector byte, then the data of that mode.

#include "MarloDemon.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

const std::int32_t kCodes[] = {mcQuit,        mcReply,       mcLogon,         mcLogoff,
                               mcQueryEntity, mcParams,      mcRunProgram,    mcGetFile,
                               mcMapFileName, mcQueryString, mcGetServerParam};
constexpr int kCodeCount = sizeof(kCodes) / sizeof(kCodes[0]);

TkdbDemonClient *gDemon = nullptr;

std::uint32_t readU32(const std::uint8_t *p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
         (std::uint32_t(p[3]) << 24);
}

// Reads whatever a handler might read from a message it was given, until the body ends.
void drainMessage(TQuillonMessageStream &msg, const std::uint8_t *ops, std::size_t n) {
  for (std::size_t i = 0; i < n && i < 64; ++i) {
    try {
      switch (ops[i] % 7) {
      case 0: (void)msg.ReadInteger(); break;
      case 1: (void)msg.ReadBoolean(); break;
      case 2: (void)msg.ReadString(); break;
      case 3: {
        TEntity e(msg.Demon);
        e.ReadFromStream(msg);
        break;
      }
      case 4: (void)msg.ReadLines(); break;
      case 5: msg.SetPosition(ops[i]); break;
      case 6: (void)msg.ReadRest(); break;
      }
    } catch (const EStreamReadError &) {
    }
  }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
  static QTemporaryDir runtimeDir;
  qputenv("XDG_RUNTIME_DIR", runtimeDir.path().toLocal8Bit());
  qputenv("XDG_CONFIG_DIRS", runtimeDir.path().toLocal8Bit());
  static QCoreApplication app(*argc, *argv);
  DemonEnvironment env;
  env.programPath = QStringLiteral("/opt/lab/fuzzprog");
  env.arguments = QStringList{QStringLiteral("data.txt")};
  env.applicationTitle = QStringLiteral("Fuzz");
  env.designMode = true; // no window: frames are handed to the receive path directly
  gDemon = new TkdbDemonClient(nullptr, env);
  gDemon->OnQuitMsgReceived = [](TkdbCustomDemon *, bool, bool &allow) { allow = false; };
  gDemon->OnHandlerError = [](std::exception_ptr) { std::abort(); };
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < 1)
    return 0;
  const std::uint8_t mode = data[0] % 4;
  ++data;
  --size;
  switch (mode) {
  case 0: { // a frame: code selector, sender, block
    if (size < 5)
      return 0;
    const std::int32_t code =
        data[0] < 200 ? kCodes[data[0] % kCodeCount] : static_cast<std::int32_t>(readU32(data + 1));
    const THandle sender = readU32(data + 1);
    const QByteArrayView block(reinterpret_cast<const char *>(data + 5),
                               static_cast<qsizetype>(size - 5));
    gDemon->OnGotAMessage = [&](TkdbCustomDemon *, TQuillonMessageStream &msg) {
      drainMessage(msg, data + 5, size - 5);
      (void)msg.SenderEntity->GetTitle();
    };
    gDemon->ReceiveCopyData(sender, code, block);
    // Replies nobody waits for stay bounded.
    if (gDemon->PendingReplies.size() > TkdbCustomDemon::MaxPendingReplies)
      std::abort();
    break;
  }
  case 1: { // typed reads of a body
    TQuillonMessageStream msg(gDemon);
    const std::size_t split = size / 2;
    msg.SetMemory(QByteArray(reinterpret_cast<const char *>(data + split),
                             static_cast<qsizetype>(size - split)));
    drainMessage(msg, data, split);
    break;
  }
  case 2: { // replies the client reads
    TQuillonMessageStream reply(gDemon);
    reply.SetMemory(QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    const bool wellFormed = IsWellFormedEntityRecord(reply);
    try {
      auto entity = ReadEntityReply(gDemon, reply);
      if (size > 0 && !wellFormed)
        std::abort(); // the layout check and the reader must agree
    } catch (const EStreamReadError &) {
      if (wellFormed)
        std::abort();
    }
    reply.SetPosition(0);
    try {
      auto file = ReadFileReply(reply);
      if (file && (file->pos() != 0 || file->size() != static_cast<qint64>(size) - 1))
        std::abort();
    } catch (const EStreamReadError &) {
    }
    break;
  }
  case 3: { // requests the server reads
    if (size < 1)
      return 0;
    const std::int32_t code = kCodes[data[0] % kCodeCount];
    TQuillonMessageStream body(nullptr);
    body.SetMemory(
        QByteArray(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1)));
    QuillonRequest request;
    const bool wellFormed = IsWellFormedRequest(code, body);
    const bool parsed = ParseRequest(code, body, request);
    const bool isRequest = code >= mcLogon && code != mcParams;
    if (parsed != (wellFormed && isRequest))
      std::abort();
    break;
  }
  }
  return 0;
}
