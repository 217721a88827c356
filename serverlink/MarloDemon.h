#pragma once
// The server link: the message stream and participant record that travel between programs of
// the family and their coordinating server, and the non-visual component that finds the
// server, keeps the program to one running instance, owns the translator and hands requests
// to the server.
//
// Wire format (all integers 32-bit signed little-endian):
//   frame   = code (carried beside the block), sender window (carried beside the block),
//             block = Time, Date, body
//   Boolean = 1 byte, 0 or 1 written, anything but 0 reads as true
//   string  = length L, then L bytes of Windows-1252; L <= 0 reads as the empty string
//   entity  = WindowHandle, MutexHandle, FileName (string), Title (string)

#include "LocalTime.h"
#include "PlatformError.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QBuffer;
class QDateTime;
class TGlossan2000;
class TkdbCustomDemon;
class TQuillonMessageStream;

// The server link's own failures: fixed English messages or the system's error text.
class EQuillon : public EBaseError {
public:
  using EBaseError::EBaseError;
};

// Reading past the end of a message body (also a string or record whose length runs past it).
class EStreamReadError : public EBaseError {
public:
  EStreamReadError();
};

using THandle = std::uint32_t;

// Message codes carried beside the block of every frame.
enum TQuillonMsgCode : std::int32_t {
  mcQuit = 4096,
  mcReply = 4097,
  mcLogon = 4098,
  mcLogoff = 4099,
  mcQueryEntity = 4100,
  mcParams = 4101,
  mcRunProgram = 4102,
  mcGetFile = 4103,
  mcMapFileName = 4104,
  mcQueryString = 4105,
  mcGetServerParam = 4106,
};

// Selector byte of an mcQueryEntity body.
enum TQueryEntitySelector : std::uint8_t { qeByHandle = 1, qeByTitle = 2 };

// The identifier of a message: milliseconds since local midnight and the day number with
// 1 January of year 1 as day 1 (30 December 1899 is day 693594).
using platform::LocalTimeStamp;

LocalTimeStamp DateTimeToTimeStamp(const QDateTime &dateTime);
QDateTime TimeStampToDateTime(LocalTimeStamp stamp);
// The current local date and time; tests may replace the clock.
LocalTimeStamp NowTimeStamp();
void setTimeStampClock(std::function<LocalTimeStamp()> clock);

// A growable byte buffer with a read/write position. Reads past the end either return what is
// there (Read) or raise EStreamReadError without moving (ReadBuffer and the typed reads).
class TMemoryStream {
public:
  virtual ~TMemoryStream() = default;

  qint64 Size() const { return m_data.size(); }
  qint64 Position() const { return m_position; }
  // Positions beyond the end are allowed; a later write fills the gap with zero bytes.
  void SetPosition(qint64 position) { m_position = position < 0 ? 0 : position; }
  qint64 Remaining() const { return m_position < Size() ? Size() - m_position : 0; }
  void Clear();
  const QByteArray &Memory() const { return m_data; }
  // Replaces the content; the position goes to 0.
  void SetMemory(QByteArray bytes);

  qint64 Read(void *buffer, qint64 count);
  void ReadBuffer(void *buffer, qint64 count);
  void Write(const void *buffer, qint64 count);

  std::int32_t ReadInteger();
  void WriteInteger(std::int32_t value);
  std::uint8_t ReadByte();
  void WriteByte(std::uint8_t value);
  bool ReadBoolean();
  void WriteBoolean(bool value);
  // Everything from the position to the end, the position then at the end.
  QByteArray ReadRest();

  void WriteString(const QString &text);
  // A length past the end of the body raises EStreamReadError and leaves the position.
  QString ReadString();
  // The whole body as text lines (CR LF, CR or LF end a line); writing ends every line with
  // CR LF.
  QStringList ReadLines();
  void WriteLines(const QStringList &lines);

protected:
  QByteArray m_data;
  qint64 m_position = 0;
};

// One participant, the server or a program.
class TEntity {
public:
  explicit TEntity(TkdbCustomDemon *demon = nullptr) : Demon(demon) {}

  TkdbCustomDemon *Demon;
  THandle WindowHandle = 0;
  THandle MutexHandle = 0;
  QString FileName;
  QString Title;

  // The field; an empty one is fetched from the server first.
  QString GetFileName();
  QString GetTitle();
  // Fills the fields from the server's record of WindowHandle, if the server knows it.
  void Refresh();
  void Assign(const TEntity *other);
  void WriteToStream(TMemoryStream &msg);
  // Reads the four fields; a record cut short raises EStreamReadError and changes nothing.
  void ReadFromStream(TMemoryStream &msg);
  bool WindowExists() const;
  // "QL_" followed by the file-name part of FileName.
  QString GetMutexName() const;
};

class TQuillonMessageStream : public TMemoryStream {
public:
  explicit TQuillonMessageStream(TkdbCustomDemon *demon);

  LocalTimeStamp TimeStamp;
  std::unique_ptr<TEntity> SenderEntity;
  TkdbCustomDemon *Demon;
  std::int32_t MsgCode = 0;

  void SendTo(TEntity &target, TQuillonMessageStream *reply = nullptr);
  // Copies time stamp, the wire fields of the sender, code and body; keeps this position.
  void TakeOver(const TQuillonMessageStream &other);
};

// The frame block of a message: Time, Date, body.
QByteArray EncodeFrameBlock(const LocalTimeStamp &stamp, const QByteArray &body);
// The message a frame carries, or none when the block is shorter than the time stamp.
std::unique_ptr<TQuillonMessageStream> DecodeFrame(TkdbCustomDemon *demon, std::int32_t code,
                                                   THandle sender, QByteArrayView block);

// Whether the body of a message of this code can be read as its layout says (strings and
// records within the body, a Boolean where one is due). Codes without a fixed layout pass.
bool IsWellFormedRequest(std::int32_t code, const TMemoryStream &body);
// Whether the body carries a whole entity record starting at its position.
bool IsWellFormedEntityRecord(const TMemoryStream &body);

// How the client reads the replies; a body cut short raises EStreamReadError.
// An empty reply names no participant; otherwise the reply is an entity record.
std::unique_ptr<TEntity> ReadEntityReply(TkdbCustomDemon *demon, TMemoryStream &reply);
// A Boolean "found", then the file's bytes up to the end: a stream positioned at 0, or none.
std::unique_ptr<QBuffer> ReadFileReply(TMemoryStream &reply);

// A request as the server reads it.
struct QuillonRequest {
  std::int32_t code = 0;
  TEntity entity{nullptr};   // mcLogon, mcLogoff
  std::uint8_t selector = 0; // mcQueryEntity
  THandle handle = 0;        // mcQueryEntity by handle
  QString text;              // the title, file name, name or question of the request
  QString parameters;        // mcRunProgram
  bool wait = false;         // mcRunProgram
  std::int32_t mode = 0;     // mcRunProgram
};
// Reads the body of a client-to-server code from position 0 and leaves it there. False when
// the code is not a request or the body does not hold what the code requires (nothing is then
// to be done).
bool ParseRequest(std::int32_t code, TMemoryStream &body, QuillonRequest &out);

// Where the component takes its start-up facts from; the defaults read the running program.
struct DemonEnvironment {
  // Full path of the program file; empty = QCoreApplication::applicationFilePath().
  QString programPath;
  // Command-line arguments without the program path; absent = the application's arguments.
  std::optional<QStringList> arguments;
  // The application's title; empty = the application's display name, else its name.
  QString applicationTitle;
  // Only the objects are created: no window, class, mutex, translation or server traffic.
  bool designMode = false;
};

// A string value of the family's settings store (group "demon" holds "ViewerHandle"); empty
// when absent. A value that is not a string raises the store's error.
QString ReadRegistryString(const QString &group, const QString &valueName);
// The suffix of the server's window names: the settings store's "ViewerHandle" unless empty
// or "00000000", else the lower-case rest of the last "/serverhandle=" argument (compared in
// lower case), else empty. `arguments` excludes the program path.
QString GetServerHandleText(const QStringList &arguments);
// The running server's window for that handle text, or 0.
THandle FindServerWindow(const QStringList &arguments);
// The system's text for the last failed platform call.
QString LastErrorText();
// Raises EQuillon with LastErrorText when the class cannot be registered.
void RegisterHiddenWindowClass(const QString &className);

// Window class and name of the coordinating server for a handle text.
QString ServerWindowClassName(const QString &handleText);
QString ServerWindowName(const QString &handleText);

// The server link component. Its life ends the application: the destructor logs off (unless
// the server announced it is going down), releases the window and the single-instance lock,
// frees the translator and asks the application to quit (OnRequestAppQuit).
// An accepted quit message never destroys the component under its own dispatch or under a
// send that still waits for its reply: deleteLater() is posted once the outermost of them has
// returned (sends do not spin the Qt event loop), so the component goes from the event loop.
// Whoever keeps a pointer to it should keep a QPointer.
class TkdbCustomDemon : public QObject {
  Q_OBJECT
  Q_PROPERTY(bool AutoTranslate READ AutoTranslate WRITE SetAutoTranslate)
  Q_PROPERTY(bool AutoCreateItlFile READ AutoCreateItlFile WRITE SetAutoCreateItlFile)
  Q_PROPERTY(bool MultiStart READ MultiStart WRITE SetMultiStart)
  Q_PROPERTY(bool UseMarloServer READ UseMarloServer WRITE SetUseMarloServer)

public:
  using TGotAMessageEvent =
      std::function<void(TkdbCustomDemon *Sender, TQuillonMessageStream &Msg)>;
  using TOnQuitMsgReceived =
      std::function<void(TkdbCustomDemon *Sender, bool ServerDown, bool &AllowQuit)>;
  using TNotifyEvent = std::function<void(TkdbCustomDemon *Sender)>;
  // Ends the program at once with the given exit code (the single-instance rule).
  using TTerminateFn = std::function<void(int exitCode)>;

  ~TkdbCustomDemon() override;

  std::unique_ptr<TEntity> ServerEntity;
  TGotAMessageEvent OnGotAMessage;
  TOnQuitMsgReceived OnQuitMsgReceived;
  std::vector<std::unique_ptr<TQuillonMessageStream>> PendingReplies;
  QStringList Params;
  TNotifyEvent OnParamsChange;
  std::unique_ptr<TEntity> OwnEntity;
  bool ServerDown = false;
  std::unique_ptr<TGlossan2000> Translator;

  // How a second start ends; by default the process exits at once with the code, without
  // running destructors of the half-built program. Tests replace it.
  TTerminateFn OnTerminate;
  // How destruction asks the application to end; by default a queued QCoreApplication::quit,
  // so that it also works before the event loop runs. Tests replace it.
  std::function<void()> OnRequestAppQuit;
  // Where an exception raised by a message handler (an event of this component) goes: no
  // exception unwinds through the window dispatch. By default it is raised again from the
  // event loop, where the application's error handler shows it. Tests replace it.
  std::function<void(std::exception_ptr)> OnHandlerError;

  bool AutoTranslate() const { return m_autoTranslate; }
  void SetAutoTranslate(bool value) { m_autoTranslate = value; }
  bool AutoCreateItlFile() const;
  void SetAutoCreateItlFile(bool value);
  bool MultiStart() const { return m_multiStart; }
  void SetMultiStart(bool value) { m_multiStart = value; }
  bool UseMarloServer() const { return m_useMarloServer; }
  void SetUseMarloServer(bool value) { m_useMarloServer = value; }

  bool IsDesigning() const { return m_env.designMode; }
  bool IsLoading() const { return m_loading; }
  void BeginLoading() { m_loading = true; }
  // Called once the owner's layout has been applied. Single-instance test here.
  virtual void Loaded();

  int ParamCount() const;
  QString ParamStr(int index) const;
  void BuildParamList();
  const QString &programPath() const { return m_env.programPath; }
  const QString &applicationTitle() const { return m_env.applicationTitle; }
  // The handle of the hidden window, 0 when there is none.
  THandle WindowHandle() const;

  // Dispatch of a received message; a handler that keeps it resets the reference.
  virtual void HandleMessage(std::unique_ptr<TQuillonMessageStream> &msg);
  virtual QString GetWindowClassName() const = 0;
  virtual QString GetWindowName() const = 0;
  virtual std::unique_ptr<TEntity> QueryEntityByTitle(const QString &title) = 0;
  virtual std::unique_ptr<TEntity> QueryEntityByHandle(THandle handle) = 0;
  virtual std::int32_t RunProgram(const QString &fileName, const QString &parameters, bool wait,
                                  std::int32_t mode) = 0;
  virtual std::unique_ptr<QBuffer> GetFileStream(const QString &fileName) = 0;
  virtual QString MapFileName(const QString &name) = 0;
  virtual QString QueryString(const QString &text) = 0;
  virtual QString GetServerParam(const QString &name) = 0;

  void SendTo(TEntity &target, TQuillonMessageStream &msg, TQuillonMessageStream *reply = nullptr);
  // The frame as the hidden window receives it: code, sender window, block.
  void ReceiveCopyData(THandle sender, std::int32_t code, QByteArrayView block);
  std::unique_ptr<TQuillonMessageStream> FindReply(const LocalTimeStamp &stamp);

  // Replies kept for requests at most; the oldest unclaimed one is dropped beyond that.
  static constexpr std::size_t MaxPendingReplies = 64;

protected:
  // Everything but the window. The window's class and name come from the derived class, so
  // a derived constructor calls createHiddenWindow() once it can answer them.
  TkdbCustomDemon(QObject *owner, DemonEnvironment env);
  void createHiddenWindow();
  void CheckSingleInstance();
  // Files a received reply for the send that waits for it (bounded, oldest dropped first).
  void fileReply(std::unique_ptr<TQuillonMessageStream> &msg);

  // Destroys the component once no dispatch or send of it is in progress.
  void destroyWhenIdle();
  // Scope of a dispatch or a request: destruction waits until the outermost one has ended.
  class BusyScope {
  public:
    explicit BusyScope(TkdbCustomDemon &demon);
    ~BusyScope();
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;
    // False when a handler deleted the component while the scope was open.
    bool alive() const { return !m_demon.isNull(); }

  private:
    QPointer<TkdbCustomDemon> m_demon;
  };

  DemonEnvironment m_env;
  bool m_autoTranslate = true;
  bool m_multiStart = false;
  bool m_useMarloServer = true;
  bool m_loading = false;
  // Set once destruction has begun: no second destruction, no dispatch but replies.
  bool m_destroying = false;

private:
  THandle m_window = 0;
  QString m_registeredClass;
  std::uint32_t m_mutex = 0;
  bool m_created = false;
  int m_busy = 0;
  bool m_destroyPending = false;
};

class TkdbDemonClient : public TkdbCustomDemon {
  Q_OBJECT
public:
  explicit TkdbDemonClient(QObject *owner, DemonEnvironment env = {});
  ~TkdbDemonClient() override;

  void Loaded() override;
  void ConnectToServer();
  void LoadLanguage();

  void SendLogon();
  void SendLogoff();

  void HandleMessage(std::unique_ptr<TQuillonMessageStream> &msg) override;
  QString GetWindowClassName() const override;
  QString GetWindowName() const override;
  std::unique_ptr<TEntity> QueryEntityByTitle(const QString &title) override;
  std::unique_ptr<TEntity> QueryEntityByHandle(THandle handle) override;
  // With Wait the result is the program's exit code when this process is its parent;
  // otherwise (the usual case: the server started it) -1, once the program has ended.
  std::int32_t RunProgram(const QString &fileName, const QString &parameters, bool wait,
                          std::int32_t mode) override;
  std::unique_ptr<QBuffer> GetFileStream(const QString &fileName) override;
  QString MapFileName(const QString &name) override;
  QString QueryString(const QString &text) override;
  QString GetServerParam(const QString &name) override;

  static constexpr const char *WindowClassName = "ThisIsTheQuillonClientComponentWindowClass";

  // The language file beside a program file: "<path>.itl" when the file name holds no ".",
  // else the path without its last four characters followed by ".itl".
  static QString languageFileName(const QString &programPath);

private:
  // Sends a request of this code with this body to the server; the reply positioned at 0,
  // empty when none came.
  std::unique_ptr<TQuillonMessageStream> request(std::int32_t code,
                                                 const TQuillonMessageStream &body);
};
