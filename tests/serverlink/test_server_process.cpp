// The client against a real quillon-server process: the request/reply cycle, a server killed
// in the middle of a request, a quit message during a request, the server's shutdown, and the
// hand-over of a second start's parameters to the first instance (a second process).

#include "SlSupport.h"

#include "Glossan2000.h"
#include "QuillonServer.h"
#include "Registry.h"

#include <QBuffer>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QScopeGuard>
#include <QTextStream>

#include <csignal>

using namespace sltest;

namespace {

auto *const gEnv = ::testing::AddGlobalTestEnvironment(new IsolatedEnvironment);

class ServerProcess {
public:
  ServerProcess(const QString &handle, const QString &folder, const QStringList &extra = {}) {
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(QStringLiteral(QUILLON_SERVER_PATH),
                    QStringList{QStringLiteral("--handle"), handle, QStringLiteral("--files"),
                                folder, QStringLiteral("--verbose")} +
                        extra);
    Ready = PumpUntil([&] {
      m_log += m_process.readAll();
      return m_log.contains("ready");
    });
  }
  ~ServerProcess() {
    if (m_process.state() != QProcess::NotRunning) {
      m_process.kill();
      m_process.waitForFinished(5000);
    }
  }
  QString Log() {
    m_log += m_process.readAll();
    return QString::fromUtf8(m_log);
  }
  QProcess m_process;
  QByteArray m_log;
  bool Ready = false;
};

class ProcessTest : public ::testing::Test {
protected:
  TkdbDemonClient *Connect(const QString &handle, bool useServer = true) {
    auto c = MakeClient(endings, Env({QStringLiteral("/serverhandle=") + handle}, program));
    c->SetUseMarloServer(useServer);
    c->SetMultiStart(true);
    return c.release();
  }
  void SetUp() override {
    program = dir.filePath(QStringLiteral("bin/labprog"));
    QDir(dir.path()).mkpath(QStringLiteral("bin"));
    QDir(dir.path()).mkpath(QStringLiteral("srv"));
    QFile itl(dir.filePath(QStringLiteral("srv/labprog.itl")));
    ASSERT_TRUE(itl.open(QIODevice::WriteOnly));
    itl.write("[AppIconName]=lab.png|$$\r\n");
    itl.close();
    QFile icon(dir.filePath(QStringLiteral("srv/lab.png")));
    ASSERT_TRUE(icon.open(QIODevice::WriteOnly));
    icon.write("PNG-BYTES");
  }
  QTemporaryDir dir;
  QString program;
  Endings endings;
};

TEST_F(ProcessTest, RequestReplyCycle) {
  const QString srv = dir.filePath(QStringLiteral("srv"));
  ServerProcess server(QStringLiteral("cycle"), srv,
                       {QStringLiteral("--param"), QStringLiteral("Colour=blue")});
  ASSERT_TRUE(server.Ready) << server.Log().toStdString();
  TkdbDemonClient *c = Connect(QStringLiteral("cycle"));
  QPointer<TkdbDemonClient> alive = c;
  ASSERT_NE(c->ServerEntity->WindowHandle, 0u);
  c->Loaded(); // logs on, loads the language file through the server
  EXPECT_EQ(c->Translator->Translate(QStringLiteral("AppIconName")), QStringLiteral("lab.png"));
  EXPECT_EQ(c->GetServerParam(QStringLiteral("MarloWorkArea")), srv + QLatin1Char('/'));
  EXPECT_EQ(c->GetServerParam(QStringLiteral("Colour")), QStringLiteral("blue"));
  EXPECT_EQ(c->GetServerParam(QStringLiteral("Nothing")), QString());
  EXPECT_EQ(c->MapFileName(program), srv + QStringLiteral("/labprog"));

  auto icon = c->GetFileStream(srv + QStringLiteral("/lab.png"));
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->readAll(), QByteArray("PNG-BYTES"));
  EXPECT_TRUE(c->GetFileStream(QStringLiteral("lab.png")));
  EXPECT_FALSE(c->GetFileStream(QStringLiteral("missing.png")));
  EXPECT_FALSE(c->GetFileStream(srv + QStringLiteral("/../bin/labprog"))) << "outside the folder";
  QFile huge(srv + QStringLiteral("/huge.bin")); // sparse: takes no room in the folder
  ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(qint64{1} << 40));
  huge.close();
  EXPECT_FALSE(c->GetFileStream(QStringLiteral("huge.bin"))) << "refused, not read";
  EXPECT_EQ(c->GetServerParam(QStringLiteral("Colour")), QStringLiteral("blue"))
      << "the server lives on";

  auto self = c->QueryEntityByTitle(QStringLiteral("Lab Program"));
  ASSERT_TRUE(self);
  EXPECT_EQ(self->WindowHandle, c->WindowHandle());
  EXPECT_EQ(self->FileName, program);
  auto srvEntity = c->QueryEntityByHandle(c->ServerEntity->WindowHandle);
  ASSERT_TRUE(srvEntity);
  EXPECT_EQ(srvEntity->Title, QStringLiteral("Quillon server"));
  auto selfByHandle = c->QueryEntityByHandle(c->WindowHandle());
  ASSERT_TRUE(selfByHandle);
  EXPECT_EQ(selfByHandle->Title, QStringLiteral("Lab Program"));
  EXPECT_FALSE(c->QueryEntityByTitle(QStringLiteral("nobody")));

  EXPECT_GT(c->RunProgram(QStringLiteral("/bin/true"), QString(), false, 0), 0);
  // The program is the server's child: its end is waited for, its code is not ours to know.
  EXPECT_EQ(c->RunProgram(QStringLiteral("/bin/sh"), QStringLiteral("-c \"exit 3\""), true, 0), -1);
  const QString ended = dir.filePath(QStringLiteral("ended"));
  EXPECT_EQ(c->RunProgram(QStringLiteral("/bin/sh"),
                          QStringLiteral("-c \"sleep 0.2; : > %1\"").arg(ended), true, 0),
            -1);
  EXPECT_TRUE(QFile::exists(ended)) << "the wait lasts until the program has ended";
  EXPECT_THROW(c->RunProgram(dir.filePath(QStringLiteral("none")), QString(), false, 0), EQuillon);

  delete c;
  PumpUntil([&] { return server.Log().contains("mcLogoff"); }, 3000);
  const QString log = server.Log();
  EXPECT_TRUE(log.contains(QStringLiteral("received mcLogon (4098) from"))) << log.toStdString();
  EXPECT_TRUE(log.contains(QStringLiteral("received mcLogoff (4099)"))) << log.toStdString();
  EXPECT_FALSE(log.contains(QStringLiteral("rejected"))) << "the log-off names who leaves";
}

// A participant that logs on without naming its window is known by the window it wrote from.
TEST_F(ProcessTest, ALogOnWithoutAWindowTakesTheSendersWindow) {
  ServerProcess server(QStringLiteral("nameless"), dir.filePath(QStringLiteral("srv")));
  ASSERT_TRUE(server.Ready) << server.Log().toStdString();
  const THandle serverWindow = FindServerWindow({QStringLiteral("/serverhandle=nameless")});
  ASSERT_NE(serverWindow, 0u);
  const QString cls = QStringLiteral("NamelessClass");
  platform::registerWindowClass(cls);
  const LocalTimeStamp queryStamp{3, 4};
  std::unique_ptr<TEntity> found;
  const THandle mine = platform::createWindow(
      cls, QString(), [&](const platform::CopyDataMessage &m) -> std::int64_t {
        auto reply = DecodeFrame(nullptr, static_cast<std::int32_t>(m.code), m.sender, m.data);
        if (reply && reply->MsgCode == mcReply && reply->TimeStamp == queryStamp)
          found = ReadEntityReply(nullptr, *reply);
        return 0;
      });
  ASSERT_NE(mine, 0u);
  TEntity nameless; // its window stays 0
  nameless.Title = QStringLiteral("Nameless");
  nameless.FileName = QStringLiteral("/opt/nameless");
  TMemoryStream logon;
  nameless.WriteToStream(logon);
  EXPECT_TRUE(platform::sendCopyData(serverWindow, mine, mcLogon,
                                     EncodeFrameBlock(LocalTimeStamp{1, 2}, logon.Memory())));
  TMemoryStream query;
  query.WriteByte(qeByTitle);
  query.WriteString(nameless.Title);
  EXPECT_TRUE(platform::sendCopyData(serverWindow, mine, mcQueryEntity,
                                     EncodeFrameBlock(queryStamp, query.Memory())));
  EXPECT_TRUE(PumpUntil([&] { return found != nullptr; }));
  ASSERT_TRUE(found);
  EXPECT_EQ(found->WindowHandle, mine);
  // Gone without logging off: the server no longer names it.
  platform::destroyWindow(mine);
  platform::unregisterWindowClass(cls);
  std::unique_ptr<TkdbDemonClient> other(Connect(QStringLiteral("nameless")));
  other->Loaded();
  EXPECT_TRUE(other->QueryEntityByTitle(QStringLiteral("Lab Program"))) << "the asker itself";
  EXPECT_FALSE(other->QueryEntityByTitle(nameless.Title));
}

TEST_F(ProcessTest, ServerKilledInTheMiddleOfARequestMakesItFailAndTheProgramGoesOn) {
  int passed = 0;
  const int rounds = 5;
  for (int i = 0; i < rounds; ++i) {
    ServerProcess server(QStringLiteral("dies"), dir.path(),
                         {QStringLiteral("--test-die-on"), QString::number(mcGetServerParam)});
    ASSERT_TRUE(server.Ready);
    TkdbDemonClient *c = Connect(QStringLiteral("dies"));
    QPointer<TkdbDemonClient> alive = c;
    c->Loaded();
    bool failed = false;
    try {
      c->GetServerParam(QStringLiteral("MarloWorkArea"));
    } catch (const EStreamReadError &) {
      failed = true;
    }
    server.m_process.waitForFinished(5000);
    // The program goes on: the next requests fail at once, nothing hangs.
    const bool after =
        !c->QueryEntityByTitle(QStringLiteral("Lab Program")) && c->PendingReplies.empty();
    delete c;
    if (failed && after)
      ++passed;
  }
  EXPECT_EQ(passed, rounds);
  RecordProperty("killed_server_pass", passed);
}

TEST_F(ProcessTest, QuitDuringARequestEndsCleanly) {
  ServerProcess server(QStringLiteral("quits"), dir.path(),
                       {QStringLiteral("--test-quit-during"), QString::number(mcGetServerParam)});
  ASSERT_TRUE(server.Ready);
  TkdbDemonClient *c = Connect(QStringLiteral("quits"));
  QPointer<TkdbDemonClient> alive = c;
  c->Loaded();
  EXPECT_EQ(c->GetServerParam(QStringLiteral("MarloWorkArea")), dir.path() + QLatin1Char('/'));
  ASSERT_TRUE(alive) << "destroyed only after the request returned";
  EXPECT_TRUE(c->ServerDown);
  EXPECT_EQ(c->GetServerParam(QStringLiteral("Other")), QString())
      << "still usable until the event loop runs";
  RunDeferredDeletes();
  EXPECT_FALSE(alive);
  EXPECT_EQ(endings.AppQuitRequests, 1);
  EXPECT_FALSE(server.Log().contains(QStringLiteral("mcLogoff")));
}

TEST_F(ProcessTest, ServerShutdownTellsLoggedOnClientsToQuit) {
  ServerProcess server(QStringLiteral("down"), dir.path());
  ASSERT_TRUE(server.Ready);
  // A client process that logged on and was then stopped never answers its quit message.
  QProcess stopped;
  stopped.start(QStringLiteral(SL_CLIENT_HELPER_PATH),
                {dir.filePath(QStringLiteral("bin/stopprog")), QStringLiteral("Stopped"),
                 QStringLiteral("1"), QStringLiteral("/serverhandle=down")});
  // Stopped only once its start-up is over: stopped while it waits for an answer of the
  // server, it would find the server gone when resumed, and that start fails.
  QByteArray said;
  ASSERT_TRUE(PumpUntil([&] {
    said += stopped.readAllStandardOutput();
    return said.contains("running");
  }));
  ::kill(static_cast<pid_t>(stopped.processId()), SIGSTOP);
  TkdbDemonClient *c = Connect(QStringLiteral("down"));
  QPointer<TkdbDemonClient> alive = c;
  c->Loaded();
  ::kill(static_cast<pid_t>(server.m_process.processId()), SIGTERM);
  EXPECT_TRUE(PumpUntil([&] {
    RunDeferredDeletes();
    return alive.isNull();
  }));
  // It may have ended, and been seen to, while this process pumped its messages.
  EXPECT_TRUE(server.m_process.state() == QProcess::NotRunning ||
              server.m_process.waitForFinished(8000));
  EXPECT_EQ(server.m_process.exitCode(), 0);
  EXPECT_EQ(endings.AppQuitRequests, 1);
  EXPECT_FALSE(server.Log().contains(QStringLiteral("mcLogoff")));
  // Resumed, the stopped client finds its quit message and ends.
  ::kill(static_cast<pid_t>(stopped.processId()), SIGCONT);
  EXPECT_TRUE(stopped.waitForFinished(8000));
  EXPECT_EQ(stopped.exitCode(), 0) << stopped.readAllStandardError().constData();
}

TEST_F(ProcessTest, SignalEndsTheServerWhileARequesterNeverTakesItsReply) {
  ServerProcess server(QStringLiteral("stuck"), dir.path());
  ASSERT_TRUE(server.Ready);
  const QString cls = QStringLiteral("StuckRequesterClass");
  platform::registerWindowClass(cls);
  const THandle mine = platform::createWindow(cls, QStringLiteral("stuck"));
  const THandle srv = platform::findWindow(ServerWindowClassName(QStringLiteral("stuck")),
                                           ServerWindowName(QStringLiteral("stuck")));
  ASSERT_NE(srv, 0u);
  // Written, then not waited for: this process does not pump, so the server's reply to it
  // waits in vain.
  EXPECT_FALSE(platform::sendCopyData(srv, mine, mcGetServerParam,
                                      EncodeFrameBlock({}, StringBytes(QStringLiteral("X"))),
                                      nullptr, 0));
  for (int i = 0; i < 50 && !server.Log().contains(QStringLiteral("mcGetServerParam")); ++i)
    server.m_process.waitForReadyRead(100); // not PumpUntil: that would take the reply
  ::usleep(200000);
  ::kill(static_cast<pid_t>(server.m_process.processId()), SIGTERM);
  EXPECT_TRUE(server.m_process.waitForFinished(5000)) << "the signal was not seen";
  platform::destroyWindow(mine);
  platform::unregisterWindowClass(cls);
}

TEST(ServerProgram, RefusesWhatCannotWork) {
  QTemporaryDir d;
  QFile file(d.filePath(QStringLiteral("file")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  const struct {
    QStringList args;
    QByteArray sudoUid;
    const char *says;
    int code;
  } cases[] = {
      // Fault injection belongs to the tests' build only.
      {{QStringLiteral("--test-die-on"), QStringLiteral("4106")}, {}, "test-die-on", 1},
      {{QStringLiteral("--test-quit-during"), QStringLiteral("4106")}, {}, "test-quit-during", 1},
      // A root server's window is out of reach of the user who ran sudo.
      {{QStringLiteral("--publish")}, "1000", "sudo", 2},
      {{QStringLiteral("--files"), file.fileName()}, {}, "not a folder", 2},
      {{QStringLiteral("--param"), QStringLiteral("=blue")}, {}, "NAME=VALUE", 2},
      {{QStringLiteral("--param"), QStringLiteral("Colour")}, {}, "NAME=VALUE", 2},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
    if (!c.sudoUid.isEmpty() && ::geteuid() != 0) {
      std::printf("skipped (needs root): quillon-server %s under sudo\n",
                  qPrintable(c.args.join(QLatin1Char(' '))));
      continue;
    }
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SUDO_UID"), QString::fromLatin1(c.sudoUid));
    p.setProcessEnvironment(env);
    // The row's own options come last: of an option given twice the last one counts.
    p.start(QStringLiteral(QUILLON_SERVER_INSTALLED_PATH),
            QStringList{QStringLiteral("--handle"), QStringLiteral("refused"),
                        QStringLiteral("--files"), d.path()} +
                c.args);
    const bool ended = p.waitForFinished(5000);
    EXPECT_TRUE(ended) << "started instead of refusing";
    if (!ended)
      p.kill();
    EXPECT_EQ(p.exitCode(), c.code);
    EXPECT_TRUE(p.readAllStandardError().contains(c.says));
  }
}

// One server per handle text: a second start with the same one says so and ends with 1,
// leaving the first serving.
TEST_F(ProcessTest, SecondServerWithTheSameHandleIsRefused) {
  ServerProcess first(QStringLiteral("twice"), dir.path());
  ASSERT_TRUE(first.Ready);
  QProcess second;
  second.setProcessChannelMode(QProcess::MergedChannels);
  second.start(
      QStringLiteral(QUILLON_SERVER_PATH),
      {QStringLiteral("--handle"), QStringLiteral("twice"), QStringLiteral("--files"), dir.path()});
  const bool ended = second.waitForFinished(8000);
  EXPECT_TRUE(ended) << "a second server started";
  if (!ended)
    second.kill();
  EXPECT_EQ(second.exitCode(), 1);
  EXPECT_TRUE(second.readAll().contains("is running already"));
  EXPECT_EQ(first.m_process.state(), QProcess::Running);
}

// A published server announces its handle in the system settings and takes it back when it
// ends, unless another server has announced its own meanwhile.
TEST_F(ProcessTest, PublishedHandleIsWithdrawnAtTheEndUnlessReplaced) {
  const QString group = QString::fromLatin1(platform::kRegistryDemonGroup);
  const QString key = QString::fromLatin1(platform::kRegistryViewerHandleKey);
  // The other tests find their servers by handle text, not through this announcement.
  const auto cleanUp = qScopeGuard([&] { platform::writeSystemString(group, key, QString()); });
  for (const bool replaced : {false, true}) {
    SCOPED_TRACE(replaced ? "replaced meanwhile" : "still its own");
    ServerProcess server(QStringLiteral("pub"), dir.path(), {QStringLiteral("--publish")});
    ASSERT_TRUE(server.Ready);
    EXPECT_EQ(platform::readSystemString(group, key), QStringLiteral("pub"));
    if (replaced) {
      ASSERT_TRUE(platform::writeSystemString(group, key, QStringLiteral("other")));
    }
    ::kill(static_cast<pid_t>(server.m_process.processId()), SIGTERM);
    ASSERT_TRUE(server.m_process.waitForFinished(8000));
    EXPECT_EQ(platform::readSystemString(group, key),
              replaced ? QStringLiteral("other") : QString());
  }
}

TEST_F(ProcessTest, SecondStartHandsItsParametersToTheFirstInstance) {
  ServerProcess server(QStringLiteral("hand"), dir.path());
  ASSERT_TRUE(server.Ready);
  auto first = MakeClient(
      endings, Env({QStringLiteral("/serverhandle=hand"), QStringLiteral("one")}, program));
  int changes = 0;
  first->OnParamsChange = [&](TkdbCustomDemon *) { ++changes; };
  first->Loaded(); // logs on and takes the lock QL_labprog
  ASSERT_EQ(endings.Terminations, 0);

  QProcess second;
  second.start(QStringLiteral(SL_CLIENT_HELPER_PATH),
               {dir.filePath(QStringLiteral("copy/labprog")), QStringLiteral("Lab Program"),
                QStringLiteral("1"), QStringLiteral("/serverhandle=hand"),
                QStringLiteral("two.dat"), QStringLiteral("-x")});
  EXPECT_TRUE(PumpUntil([&] { return second.state() == QProcess::NotRunning; }));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_FALSE(second.readAllStandardOutput().contains("running"));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(first->Params,
            (QStringList{dir.filePath(QStringLiteral("copy/labprog")), "two.dat", "-x"}));
  EXPECT_EQ(first->ParamStr(0), program);

  // Without a server the second start ends the same way and hands nothing over.
  QProcess third;
  third.start(
      QStringLiteral(SL_CLIENT_HELPER_PATH),
      {program, QStringLiteral("Lab Program"), QStringLiteral("0"), QStringLiteral("three")});
  EXPECT_TRUE(PumpUntil([&] { return third.state() == QProcess::NotRunning; }));
  EXPECT_EQ(third.exitCode(), 0);
  // What it wrote before it ended is not lost with its buffers.
  EXPECT_EQ(third.readAllStandardOutput(), "starting\n");
}

TEST(ServerCore, ServesOnlyFilesInsideItsFolder) {
  QTemporaryDir d;
  QDir(d.path()).mkpath(QStringLiteral("srv/sub"));
  QFile f(d.filePath(QStringLiteral("srv/sub/a.txt")));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("A");
  f.close();
  QFile secret(d.filePath(QStringLiteral("secret")));
  ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
  secret.close();
  QFile::link(d.filePath(QStringLiteral("secret")), d.filePath(QStringLiteral("srv/link")));
  QFile huge(d.filePath(QStringLiteral("srv/huge")));
  ASSERT_TRUE(huge.open(QIODevice::WriteOnly) &&
              huge.resize(QuillonServer::kMaxServedFileSize + 1));
  huge.close();
  const QString srv = d.filePath(QStringLiteral("srv"));
  const struct {
    QString folder, name;
    bool served;
  } cases[] = {
      {srv, QStringLiteral("sub/a.txt"), true},
      {srv, srv + QStringLiteral("/sub/a.txt"), true},
      {QStringLiteral("/"), srv + QStringLiteral("/sub/a.txt"), true},
      {srv, QStringLiteral("../secret"), false},
      {srv, QStringLiteral("link"), false},
      {srv, QStringLiteral("sub"), false},
      {srv, QString(), false},
      {srv, QStringLiteral("huge"), false}, // more than one message can carry
  };
  for (const auto &c : cases) {
    SCOPED_TRACE((c.folder + QStringLiteral(" : ") + c.name).toStdString());
    QString log;
    QTextStream out(&log);
    QuillonServerOptions o;
    o.filesFolder = c.folder;
    QuillonServer s(o, out);
    QByteArray bytes("x");
    EXPECT_EQ(s.readServedFile(c.name, bytes), c.served);
    EXPECT_EQ(bytes, c.served ? QByteArray("xA") : QByteArray("x"));
  }
  QString log;
  QTextStream out(&log);
  QuillonServerOptions o;
  o.filesFolder = QStringLiteral("/");
  EXPECT_EQ(QuillonServer(o, out).mapFileName(QStringLiteral("/usr/bin/dipolix")),
            QStringLiteral("/dipolix"));
}

// A file larger than one read is served whole, and one of exactly the largest size a message
// carries is served too, behind what the reply already holds.
TEST(ServerCore, ServesLargeFilesWholeUpToTheLimit) {
  QTemporaryDir d;
  QByteArray pattern(3 * (1 << 20) + 17, Qt::Uninitialized);
  for (qsizetype i = 0; i < pattern.size(); ++i)
    pattern[i] = static_cast<char>(i * 7 % 251);
  QFile big(d.filePath(QStringLiteral("big")));
  ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.write(pattern) == pattern.size());
  big.close();
  QFile limit(d.filePath(QStringLiteral("limit")));
  ASSERT_TRUE(limit.open(QIODevice::WriteOnly) &&
              limit.resize(QuillonServer::kMaxServedFileSize)); // sparse: no disk space
  limit.close();
  QString log;
  QTextStream out(&log);
  QuillonServerOptions o;
  o.filesFolder = d.path();
  const QuillonServer s(o, out);
  QByteArray bytes("head");
  ASSERT_TRUE(s.readServedFile(QStringLiteral("big"), bytes));
  EXPECT_TRUE(bytes == "head" + pattern);
  bytes = "head";
  ASSERT_TRUE(s.readServedFile(QStringLiteral("limit"), bytes));
  EXPECT_EQ(bytes.size(), 4 + QuillonServer::kMaxServedFileSize);
}

} // namespace
