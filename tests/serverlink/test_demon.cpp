// The client component inside one process: construction, parameters, discovery, language,
// single instance, every branch of the dispatch, reply pairing, quit during a request and
// random traffic at the hidden window. The server is a scripted window of this process.

#include "SlSupport.h"

#include "Glossan2000.h"
#include "LanguageLookup.h"
#include "NamedMutex.h"
#include "Registry.h"

#include <QBuffer>
#include <QFile>
#include <QPointer>
#include <QRandomGenerator>

using namespace sltest;

namespace {

auto *const gEnv = ::testing::AddGlobalTestEnvironment(new IsolatedEnvironment);

class CaptionOwner : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString Caption MEMBER Caption)
public:
  QString Caption;
};

class DemonTest : public ::testing::Test {
protected:
  void TearDown() override {
    setTimeStampClock({});
    platform::writeSystemString(QStringLiteral("demon"), QStringLiteral("ViewerHandle"), QString());
  }
  Endings endings;
};

QByteArray entityRecord(THandle window, const QString &file, const QString &title) {
  TEntity e(nullptr);
  e.WindowHandle = window;
  e.FileName = file;
  e.Title = title;
  TMemoryStream m;
  e.WriteToStream(m);
  return m.Memory();
}

// ---- construction and parameters ----

TEST_F(DemonTest, ConstructionCreatesTheHiddenWindowAndFillsTheOwnEntity) {
  auto c =
      MakeClient(endings, Env({QStringLiteral("/serverhandle=x"), QStringLiteral("data.txt")}));
  EXPECT_NE(c->WindowHandle(), 0u);
  EXPECT_TRUE(c->OwnEntity->WindowExists());
  TEntity gone(nullptr);
  gone.WindowHandle = c->WindowHandle() ^ 1; // no window has that handle
  EXPECT_FALSE(gone.WindowExists());
  EXPECT_EQ(c->OwnEntity->WindowHandle, c->WindowHandle());
  EXPECT_EQ(c->OwnEntity->FileName, QStringLiteral("/opt/lab/labprog"));
  EXPECT_EQ(c->OwnEntity->Title, QStringLiteral("Lab Program"));
  EXPECT_EQ(c->ServerEntity->WindowHandle, 0u);
  EXPECT_TRUE(c->AutoTranslate());
  EXPECT_TRUE(c->UseMarloServer());
  EXPECT_FALSE(c->MultiStart());
  EXPECT_FALSE(c->AutoCreateItlFile());
  EXPECT_EQ(
      platform::findWindow(QStringLiteral("ThisIsTheQuillonClientComponentWindowClass"), QString()),
      c->WindowHandle());

  EXPECT_EQ(c->ParamCount(), 1);
  EXPECT_EQ(c->ParamStr(0), QStringLiteral("/opt/lab/labprog"));
  EXPECT_EQ(c->ParamStr(1), QStringLiteral("data.txt"));
  try {
    c->ParamStr(2);
    ADD_FAILURE() << "no exception";
  } catch (const EQuillon &e) {
    EXPECT_EQ(e.message(), QStringLiteral("Illegal \"ParamStr\" parameter: 2"));
  }
  EXPECT_THROW(c->ParamStr(-1), EQuillon);

  // The class is this process's once: a second component cannot be built.
  Endings other;
  EXPECT_THROW(MakeClient(other, Env()), EQuillon);

  const THandle window = c->WindowHandle();
  c.reset();
  EXPECT_FALSE(platform::isWindow(window));
  EXPECT_EQ(endings.AppQuitRequests, 1) << "destroying the component ends the application";
}

TEST_F(DemonTest, OnlyTheExactLowerCaseSwitchLeavesTheParameterList) {
  auto c = MakeClient(endings, Env({QStringLiteral("/ServerHandle=ab"), QStringLiteral("x"),
                                    QStringLiteral("/serverhandle=cd")}));
  EXPECT_EQ(c->Params, (QStringList{"/opt/lab/labprog", "/ServerHandle=ab", "x"}));
  EXPECT_EQ(c->ParamCount(), 2);
}

TEST_F(DemonTest, DesignModeCreatesOnlyTheObjects) {
  DemonEnvironment env = Env({QStringLiteral("a")});
  env.designMode = true;
  auto c = MakeClient(endings, env);
  EXPECT_EQ(c->WindowHandle(), 0u);
  EXPECT_EQ(c->OwnEntity->Title, QString());
  EXPECT_EQ(c->ParamCount(), 1);
  c->Loaded();
  EXPECT_EQ(platform::openMutex(QStringLiteral("QL_labprog")), 0u);
  // Sending is a no-op without a window.
  TQuillonMessageStream msg(c.get());
  TQuillonMessageStream reply(c.get());
  msg.MsgCode = mcGetServerParam;
  c->SendTo(*c->ServerEntity, msg, &reply);
  EXPECT_EQ(reply.Size(), 0);
  c.reset();
  EXPECT_EQ(endings.AppQuitRequests, 0);
  EXPECT_EQ(endings.Terminations, 0);
}

// ---- finding the server ----

TEST_F(DemonTest, HandleTextComesFromTheSettingsStoreFirstThenTheLastSwitch) {
  const QString group = QStringLiteral("demon"), key = QStringLiteral("ViewerHandle");
  EXPECT_EQ(
      GetServerHandleText({QStringLiteral("/serverhandle=1"), QStringLiteral("/SERVERHANDLE=2")}),
      QStringLiteral("2"));
  EXPECT_EQ(GetServerHandleText({QStringLiteral("x")}), QString());
  ASSERT_TRUE(platform::writeSystemString(group, key, QStringLiteral("00000000")));
  EXPECT_EQ(GetServerHandleText({QStringLiteral("/serverhandle=0000ABCD")}),
            QStringLiteral("0000abcd"));
  ASSERT_TRUE(platform::writeSystemString(group, key, QStringLiteral("12AB")));
  EXPECT_EQ(GetServerHandleText({QStringLiteral("/serverhandle=99")}), QStringLiteral("12AB"));
}

TEST_F(DemonTest, WithoutServerAndServerRequiredLoadingFails) {
  auto c = MakeClient(endings, Env());
  try {
    c->Loaded();
    ADD_FAILURE() << "no exception";
  } catch (const EQuillon &e) {
    EXPECT_EQ(e.message(), QStringLiteral("Quillon server application is not running"));
  }
}

// ---- without a server: work area, language, single instance ----

TEST_F(DemonTest, WorkAreaWithoutServerIsTheProgramFolder) {
  auto c = MakeClient(endings, Env());
  c->SetUseMarloServer(false);
  EXPECT_EQ(c->GetServerParam(QStringLiteral("MarloWorkArea")), QStringLiteral("/opt/lab/"));
  EXPECT_EQ(c->GetServerParam(QStringLiteral("MarloHomeDir")), QStringLiteral("/opt/lab/"));
  EXPECT_EQ(c->GetServerParam(QStringLiteral("marloworkarea")), QString());
  EXPECT_EQ(c->GetServerParam(QStringLiteral("Other")), QString());
  c.reset();
  auto bare = MakeClient(endings, Env({}, QStringLiteral("labprog")));
  bare->SetUseMarloServer(false);
  EXPECT_EQ(bare->GetServerParam(QStringLiteral("MarloWorkArea")), QString());
}

TEST_F(DemonTest, LanguageFileNameFollowsTheProgramFileName) {
  const std::pair<const char *, const char *> cases[] = {
      {"/opt/lab/dipolix", "/opt/lab/dipolix.itl"},
      {"/opt/lab/program.exe", "/opt/lab/program.itl"},
      {"/opt/lab.d/prog.x", "/opt/lab.d/pr.itl"},
      {"/opt/lab./prog", "/opt/lab./prog.itl"}, // the dot before the slash is the folder's
      {"a.b", ".itl"},                          // fewer than four characters to lose
  };
  for (const auto &[program, file] : cases)
    EXPECT_EQ(TkdbDemonClient::languageFileName(QString::fromLatin1(program)),
              QString::fromLatin1(file));
}

TEST_F(DemonTest, LoadedReadsTheLanguageFileBesideTheProgramAndTranslatesTheOwner) {
  QTemporaryDir dir;
  const QString program = dir.filePath(QStringLiteral("labprog"));
  QFile itl(program + QStringLiteral(".itl"));
  ASSERT_TRUE(itl.open(QIODevice::WriteOnly));
  itl.write("[Hello]=Gr\xfc\xdf Gott|$$\r\n");
  itl.close();
  CaptionOwner owner;
  owner.Caption = QStringLiteral("GL_Hello");
  auto c = MakeClient(endings, Env({}, program), &owner);
  c->SetUseMarloServer(false);
  c->SetMultiStart(true);
  c->BeginLoading(); // as a layout loader does
  c->Loaded();
  EXPECT_FALSE(c->IsLoading());
  EXPECT_EQ(owner.Caption, QStringLiteral("Grüß Gott"));
  EXPECT_EQ(c->Translator->Translate(QStringLiteral("hello")), QStringLiteral("Grüß Gott"));
  c.reset(); // owned by the test, not by the owner

  // Without the file the marker goes and the key stays.
  CaptionOwner owner2;
  owner2.Caption = QStringLiteral("GL_Hello");
  auto c2 = MakeClient(endings, Env({}, dir.filePath(QStringLiteral("other"))), &owner2);
  c2->SetUseMarloServer(false);
  c2->SetMultiStart(true);
  c2->SetAutoTranslate(true);
  c2->Loaded();
  EXPECT_EQ(owner2.Caption, QStringLiteral("Hello"));
}

TEST_F(DemonTest, FirstStartHoldsTheMutexAndMultiStartTakesNone) {
  {
    auto c = MakeClient(endings, Env({}, QStringLiteral("/opt/a/multiprog")));
    c->SetUseMarloServer(false);
    c->SetMultiStart(true);
    c->Loaded();
    EXPECT_EQ(platform::openMutex(QStringLiteral("QL_multiprog")), 0u);
  }
  auto c = MakeClient(endings, Env({}, QStringLiteral("/opt/a/singleprog")));
  c->SetUseMarloServer(false);
  c->Loaded();
  EXPECT_EQ(endings.Terminations, 0);
  EXPECT_NE(c->OwnEntity->MutexHandle, 0u);
  const platform::MutexHandle seen = platform::openMutex(QStringLiteral("QL_singleprog"));
  EXPECT_NE(seen, 0u);
  platform::closeMutex(seen);
  c.reset();
  EXPECT_EQ(platform::openMutex(QStringLiteral("QL_singleprog")), 0u) << "released on destruction";

  // A lock that cannot be made for another reason than "held": the program runs, and says so.
  const QString blocker = IsolatedEnvironment::Path() + QStringLiteral("/dipolix/m-QL_blockprog");
  ASSERT_TRUE(QDir().mkpath(blocker));
  auto b = MakeClient(endings, Env({}, QStringLiteral("/opt/a/blockprog")));
  b->SetUseMarloServer(false);
  ::testing::internal::CaptureStderr();
  b->Loaded();
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(endings.Terminations, 0);
  EXPECT_EQ(b->OwnEntity->MutexHandle, 0u);
  EXPECT_NE(said.find("QL_blockprog"), std::string::npos) << said;
  QDir(blocker).removeRecursively();
}

TEST_F(DemonTest, SecondStartWithoutServerEndsAtOnceWithCodeZero) {
  // Another copy of the program, elsewhere, holds the lock.
  const platform::MutexHandle first = platform::createMutex(QStringLiteral("QL_labprog"));
  ASSERT_NE(first, 0u);
  auto c = MakeClient(endings, Env({}, QStringLiteral("/elsewhere/labprog")));
  c->SetUseMarloServer(false);
  c->Loaded();
  EXPECT_EQ(endings.Terminations, 1);
  EXPECT_EQ(endings.LastExitCode, 0);
  platform::closeMutex(first);
}

TEST_F(DemonTest, SecondStartHandsItsParametersToTheInstanceTheServerNames) {
  // The first instance: a window of this process that records what it receives.
  ASSERT_TRUE(platform::registerWindowClass(QStringLiteral("FirstInstanceClass")));
  QStringList handed;
  const THandle firstWindow = platform::createWindow(
      QStringLiteral("FirstInstanceClass"), QString(), [&](const platform::CopyDataMessage &m) {
        auto msg = DecodeFrame(nullptr, static_cast<std::int32_t>(m.code), m.sender, m.data);
        if (msg && msg->MsgCode == mcParams)
          handed = msg->ReadLines();
        return std::int64_t{0};
      });
  ScriptedServer server(QStringLiteral("s1"),
                        [&](TQuillonMessageStream &msg) -> std::optional<QByteArray> {
                          if (msg.MsgCode == mcQueryEntity && msg.ReadByte() == qeByTitle &&
                              msg.ReadString() == QStringLiteral("Lab Program"))
                            return entityRecord(firstWindow, QStringLiteral("/opt/lab/labprog"),
                                                QStringLiteral("Lab Program"));
                          if (msg.MsgCode == mcQueryEntity)
                            return QByteArray();
                          return std::nullopt;
                        });
  const platform::MutexHandle first = platform::createMutex(QStringLiteral("QL_labprog"));
  auto c =
      MakeClient(endings, Env({QStringLiteral("/serverhandle=s1"), QStringLiteral("two.dat")}));
  c->SetUseMarloServer(false);
  c->Loaded();
  EXPECT_EQ(endings.Terminations, 1);
  EXPECT_EQ(handed, (QStringList{"/opt/lab/labprog", "two.dat"}));
  c.reset();
  platform::closeMutex(first);
  platform::destroyWindow(firstWindow);
  platform::unregisterWindowClass(QStringLiteral("FirstInstanceClass"));
}

// ---- dispatch of what arrives unasked ----

class DispatchTest : public DemonTest {
protected:
  void SetUp() override {
    server = std::make_unique<ScriptedServer>(QStringLiteral("d1"));
    client = MakeClient(endings, Env({QStringLiteral("/serverhandle=d1"), QStringLiteral("p1")}));
    demon = client.release(); // destruction is the component's own business from here on
    guard = demon;
  }
  void TearDown() override {
    delete guard.data();
    DemonTest::TearDown();
  }
  void Send(std::int32_t code, const QByteArray &body) {
    platform::sendCopyData(demon->WindowHandle(), server->Window, static_cast<std::uint32_t>(code),
                           EncodeFrameBlock(LocalTimeStamp{1, 2}, body));
  }
  std::unique_ptr<ScriptedServer> server;
  std::unique_ptr<TkdbDemonClient> client;
  TkdbDemonClient *demon = nullptr; // use only while guard says it lives
  QPointer<TkdbDemonClient> guard;
};

TEST_F(DispatchTest, QuitWithServerDownEndsWithoutLogoff) {
  Send(mcQuit, QByteArray("\x01", 1));
  ASSERT_TRUE(guard) << "destroyed only after the dispatch returned";
  EXPECT_TRUE(demon->ServerDown);
  RunDeferredDeletes();
  EXPECT_FALSE(guard);
  EXPECT_EQ(endings.AppQuitRequests, 1);
  EXPECT_EQ(std::count(server->Received.begin(), server->Received.end(), mcLogoff), 0);
}

TEST_F(DispatchTest, QuitWithoutServerDownLogsOffOnTheWay) {
  Send(mcQuit, QByteArray("\x00", 1));
  RunDeferredDeletes();
  EXPECT_FALSE(guard);
  EXPECT_EQ(std::count(server->Received.begin(), server->Received.end(), mcLogoff), 1);
}

// A message that arrives while the component logs off on its way out reaches no handler.
TEST_F(DispatchTest, MessagesDuringTheLogoffReachNoHandler) {
  int notified = 0;
  demon->OnParamsChange = [&](TkdbCustomDemon *) { ++notified; };
  const THandle window = demon->WindowHandle();
  server->Script = [&](TQuillonMessageStream &msg) -> std::optional<QByteArray> {
    if (msg.MsgCode == mcLogoff)
      server->Send(window, mcParams, QByteArray("/other/labprog\r\nlate.dat"));
    return std::nullopt;
  };
  delete guard.data();
  EXPECT_EQ(std::count(server->Received.begin(), server->Received.end(), mcLogoff), 1);
  EXPECT_EQ(notified, 0);
}

TEST_F(DispatchTest, RefusedQuitKeepsTheProgramAndTheReceivedValue) {
  int calls = 0;
  demon->OnQuitMsgReceived = [&](TkdbCustomDemon *sender, bool down, bool &allow) {
    EXPECT_EQ(sender, guard.data());
    EXPECT_TRUE(down);
    ++calls;
    allow = false;
  };
  Send(mcQuit, QByteArray("\x07", 1));
  RunDeferredDeletes();
  ASSERT_TRUE(guard);
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(demon->ServerDown);
  delete guard.data();
  EXPECT_EQ(std::count(server->Received.begin(), server->Received.end(), mcLogoff), 0);
}

TEST_F(DispatchTest, CutQuitAndShortFramesAreIgnored) {
  Send(mcQuit, QByteArray());
  platform::sendCopyData(demon->WindowHandle(), server->Window, mcQuit, QByteArray("\x01\x02", 2));
  RunDeferredDeletes();
  EXPECT_TRUE(guard);
  EXPECT_FALSE(demon->ServerDown);
}

TEST_F(DispatchTest, ParamsReplaceTheListAndNotifyOnce) {
  int notified = 0;
  demon->OnParamsChange = [&](TkdbCustomDemon *) { ++notified; };
  Send(mcParams, QByteArray("/other/labprog\r\nnew.dat\nthird\r"));
  EXPECT_EQ(notified, 1);
  EXPECT_EQ(demon->Params, (QStringList{"/other/labprog", "new.dat", "third"}));
  EXPECT_EQ(demon->ParamCount(), 2);
  EXPECT_EQ(demon->ParamStr(0), QStringLiteral("/opt/lab/labprog"));
  EXPECT_EQ(demon->ParamStr(2), QStringLiteral("third"));
}

TEST_F(DispatchTest, UnknownCodesReachTheEventAtPositionZeroWithTheSender) {
  std::vector<std::int32_t> codes;
  demon->OnGotAMessage = [&](TkdbCustomDemon *sender, TQuillonMessageStream &msg) {
    codes.push_back(msg.MsgCode);
    EXPECT_EQ(sender, guard.data());
    EXPECT_EQ(msg.Position(), 0);
    EXPECT_EQ(msg.SenderEntity->WindowHandle, server->Window);
    if (msg.MsgCode == 5000) {
      EXPECT_EQ(msg.ReadString(), QStringLiteral("hi"));
    }
  };
  Send(5000, StringBytes(QStringLiteral("hi")));
  Send(mcLogon, QByteArray()); // a server's code arriving at a client is just another code
  EXPECT_EQ(codes, (std::vector<std::int32_t>{5000, mcLogon}));
}

TEST_F(DispatchTest, HandlerErrorsDoNotUnwindThroughTheWindow) {
  // A handler that deletes the component before it raises: the component's own error hook
  // has gone with it, so the error reaches the application's event loop instead.
  for (const bool deletes : {false, true}) {
    SCOPED_TRACE(deletes ? "handler deletes the component" : "handler raises");
    if (!guard) {
      demon = MakeClient(endings, Env({QStringLiteral("/serverhandle=d1")})).release();
      guard = demon;
    }
    int hookCalls = 0;
    std::exception_ptr seen;
    demon->OnHandlerError = [&](std::exception_ptr e) {
      ++hookCalls;
      seen = e;
    };
    demon->OnGotAMessage = [deletes](TkdbCustomDemon *sender, TQuillonMessageStream &msg) {
      if (deletes)
        delete sender;
      msg.ReadInteger();
    };
    Send(6000, QByteArray("ab"));
    EXPECT_EQ(guard.isNull(), deletes);
    EXPECT_EQ(hookCalls, deletes ? 0 : 1);
    if (!deletes) {
      ASSERT_TRUE(seen);
      EXPECT_THROW(std::rethrow_exception(seen), EStreamReadError);
    } else {
      EXPECT_THROW(
          QCoreApplication::sendPostedEvents(QCoreApplication::instance(), QEvent::MetaCall),
          EStreamReadError);
    }
  }
}

TEST_F(DispatchTest, UnmatchedRepliesStayPendingButBounded) {
  Send(mcReply, QByteArray("stale"));
  ASSERT_EQ(demon->PendingReplies.size(), 1u);
  EXPECT_EQ(demon->PendingReplies.front()->TimeStamp, (LocalTimeStamp{1, 2}));
  for (int i = 0; i < 200; ++i)
    Send(mcReply, QByteArray::number(i));
  EXPECT_EQ(demon->PendingReplies.size(), TkdbCustomDemon::MaxPendingReplies);
  EXPECT_EQ(demon->PendingReplies.back()->Memory(), QByteArray("199"));
}

// ---- requests and reply pairing ----

TEST_F(DispatchTest, RequestsReadTheRepliesTheServerSendsDuringTheRequest) {
  server->Script = [&](TQuillonMessageStream &msg) -> std::optional<QByteArray> {
    switch (msg.MsgCode) {
    case mcGetServerParam: return StringBytes(msg.ReadString() + QStringLiteral("=/srv/work/"));
    case mcMapFileName: return StringBytes(QStringLiteral("/srv/") + msg.ReadString());
    case mcQueryString: return StringBytes(msg.ReadString().toUpper());
    case mcGetFile: {
      const QString name = msg.ReadString();
      if (name == QLatin1String("empty"))
        return QByteArray("\x01", 1);
      if (name == QLatin1String("icon"))
        return QByteArray("\x01ICON", 5);
      return QByteArray("\x00", 1);
    }
    case mcQueryEntity:
      if (msg.ReadByte() == qeByHandle && msg.ReadInteger() == 77)
        return entityRecord(77, QStringLiteral("/x/y"), QStringLiteral("Y"));
      return QByteArray();
    case mcRunProgram: return QByteArray("\x00\x00\x00\x00", 4);
    default: return std::nullopt;
    }
  };
  EXPECT_EQ(demon->GetServerParam(QStringLiteral("W")), QStringLiteral("W=/srv/work/"));
  EXPECT_EQ(demon->MapFileName(QStringLiteral("a")), QStringLiteral("/srv/a"));
  EXPECT_EQ(demon->QueryString(QStringLiteral("q")), QStringLiteral("Q"));
  auto empty = demon->GetFileStream(QStringLiteral("empty"));
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->size(), 0);
  auto icon = demon->GetFileStream(QStringLiteral("icon"));
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->readAll(), QByteArray("ICON"));
  EXPECT_FALSE(demon->GetFileStream(QStringLiteral("missing")));
  auto known = demon->QueryEntityByHandle(77);
  ASSERT_TRUE(known);
  EXPECT_EQ(known->Title, QStringLiteral("Y"));
  EXPECT_EQ(known->Demon, guard.data());
  EXPECT_FALSE(demon->QueryEntityByHandle(78));
  EXPECT_FALSE(demon->QueryEntityByTitle(QStringLiteral("nobody")));
  try {
    demon->RunProgram(QStringLiteral("/bin/nothing"), QString(), false, 0);
    ADD_FAILURE() << "no exception";
  } catch (const EQuillon &e) {
    EXPECT_EQ(e.message(), QStringLiteral("Could not execute \"/bin/nothing.\""));
  }
  EXPECT_TRUE(demon->PendingReplies.empty());
}

TEST_F(DispatchTest, MissingRepliesFailWithTheStreamReadError) {
  server->Script = [](TQuillonMessageStream &) { return std::nullopt; };
  EXPECT_THROW(demon->GetServerParam(QStringLiteral("W")), EStreamReadError);
  EXPECT_THROW(demon->GetFileStream(QStringLiteral("f")), EStreamReadError);
  EXPECT_THROW(demon->RunProgram(QStringLiteral("f"), QString(), false, 0), EStreamReadError);
  EXPECT_FALSE(demon->QueryEntityByTitle(QStringLiteral("t")));
}

TEST_F(DispatchTest, SenderEntityFieldsAreFetchedFromTheServerOnFirstUse) {
  server->Script = [&](TQuillonMessageStream &msg) -> std::optional<QByteArray> {
    if (msg.MsgCode == mcQueryEntity && msg.ReadByte() == qeByHandle)
      return entityRecord(static_cast<THandle>(msg.ReadInteger()), QStringLiteral("/bin/peer"),
                          QStringLiteral("Peer"));
    return std::nullopt;
  };
  // One query fills both fields, whichever is asked for first.
  for (const bool fileFirst : {true, false}) {
    QString first, title, file;
    int queries = 0;
    demon->OnGotAMessage = [&](TkdbCustomDemon *, TQuillonMessageStream &msg) {
      const std::size_t before = server->Received.size();
      TEntity &sender = *msg.SenderEntity;
      first = fileFirst ? sender.GetFileName() : sender.GetTitle();
      title = sender.GetTitle();
      file = sender.GetFileName();
      queries = static_cast<int>(server->Received.size() - before);
    };
    Send(5001, QByteArray());
    EXPECT_EQ(first, fileFirst ? QStringLiteral("/bin/peer") : QStringLiteral("Peer"));
    EXPECT_EQ(title, QStringLiteral("Peer"));
    EXPECT_EQ(file, QStringLiteral("/bin/peer"));
    EXPECT_EQ(queries, 1) << fileFirst;
  }
}

TEST_F(DispatchTest, SameMillisecondRequestsTakeTheFirstPendingReplyOfThatStamp) {
  setTimeStampClock([] { return LocalTimeStamp{1, 2}; });
  Send(mcReply, StringBytes(QStringLiteral("early"))); // filed before the request, same stamp
  server->Script = [](TQuillonMessageStream &) -> std::optional<QByteArray> {
    return StringBytes(QStringLiteral("late"));
  };
  EXPECT_EQ(demon->GetServerParam(QStringLiteral("x")), QStringLiteral("early"));
  ASSERT_EQ(demon->PendingReplies.size(), 1u);
  EXPECT_EQ(demon->GetServerParam(QStringLiteral("x")), QStringLiteral("late"));
  EXPECT_EQ(demon->PendingReplies.size(), 1u);
}

TEST_F(DispatchTest, TenThousandRandomMessagesChangeNothing) {
  QRandomGenerator rng(4711);
  int gotAMessage = 0;
  demon->OnGotAMessage = [&](TkdbCustomDemon *, TQuillonMessageStream &msg) {
    ++gotAMessage;
    try {
      (void)msg.ReadString();
      TEntity e(nullptr);
      e.ReadFromStream(msg);
    } catch (const EStreamReadError &) {
    }
  };
  int expected = 0;
  for (int i = 0; i < 10000; ++i) {
    QByteArray block(rng.bounded(40), Qt::Uninitialized);
    for (char &ch : block)
      ch = static_cast<char>(rng.bounded(256));
    std::uint32_t code = rng.generate();
    if (i % 3 == 0)
      code = mcReply + rng.bounded(10); // the table's codes, random bodies
    if (code == mcParams || (code == mcQuit && block.size() > 8))
      code = mcQuit + 100000; // commands with their effects are tested on their own
    if (block.size() >= 8 && code != mcReply && code != mcQuit)
      ++expected;
    ASSERT_TRUE(platform::sendCopyData(demon->WindowHandle(), server->Window, code, block));
  }
  RunDeferredDeletes();
  ASSERT_TRUE(guard);
  EXPECT_EQ(gotAMessage, expected);
  EXPECT_FALSE(demon->ServerDown);
  EXPECT_EQ(demon->Params, (QStringList{"/opt/lab/labprog", "p1"}));
  EXPECT_LE(demon->PendingReplies.size(), TkdbCustomDemon::MaxPendingReplies);
  // Still answers.
  demon->PendingReplies.clear();
  server->Script = [](TQuillonMessageStream &) -> std::optional<QByteArray> {
    return StringBytes(QStringLiteral("ok"));
  };
  EXPECT_EQ(demon->QueryString(QStringLiteral("?")), QStringLiteral("ok"));
}

} // namespace

#include "test_demon.moc"

TEST(LanguageLookup, BesideTheProgramFirstThenTheInstalledTreeByLocale) {
  const struct {
    QString lcAll, lcMessages, lang;
    const char *file;
  } cases[] = {
      {"", "", "de_DE.UTF-8", "german.itl"},
      {"", "de_AT", "en_GB.UTF-8", "german.itl"}, // LC_MESSAGES before LANG
      {"C", "de_DE", "de_DE", "english.itl"},     // LC_ALL before both
      {"", "", "", "english.itl"},                // nothing set
      {"", "", "fr_FR.UTF-8", "english.itl"},
      {"", "", "dk", "english.itl"},
  };
  for (const auto &c : cases) {
    const QString locale = language::messagesLocale([&](const char *name) {
      return QByteArray(name) == "LC_ALL"        ? c.lcAll
             : QByteArray(name) == "LC_MESSAGES" ? c.lcMessages
                                                 : c.lang;
    });
    EXPECT_EQ(language::candidates("/opt/dx/bin/dipolix", "/opt/dx/bin/dipolix.itl", locale),
              QStringList({"/opt/dx/bin/dipolix.itl",
                           QStringLiteral("/opt/dx/bin/../share/dipolix/") + c.file}))
        << c.lang.toStdString();
  }
  // A program in the root folder, and one named without any folder.
  EXPECT_EQ(language::candidates("/dipolix", "/dipolix.itl", "").at(1),
            QStringLiteral("/../share/dipolix/english.itl"));
  EXPECT_EQ(language::candidates("dipolix", "dipolix.itl", "").at(1),
            QStringLiteral("./../share/dipolix/english.itl"));
}
