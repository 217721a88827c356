// Encodings, round trips and malformed input of the message stream, the participant record,
// the frame and the request layouts.

#include "MarloDemon.h"

#include <QBuffer>
#include <QDateTime>

#include <gtest/gtest.h>

namespace {

QByteArray hexBytes(const char *hex) { return QByteArray::fromHex(hex); }

TEST(MessageStream, IntegersBooleansAndStringsHaveTheirWireBytes) {
  TQuillonMessageStream m(nullptr);
  m.WriteString(QStringLiteral("abc"));
  m.WriteString(QString());
  m.WriteInteger(-2);
  m.WriteBoolean(true);
  m.WriteBoolean(false);
  EXPECT_EQ(m.Memory(), hexBytes("03000000616263"
                                 "00000000"
                                 "feffffff"
                                 "01"
                                 "00"));

  m.SetPosition(0);
  EXPECT_EQ(m.ReadString(), QStringLiteral("abc"));
  EXPECT_EQ(m.ReadString(), QString());
  EXPECT_EQ(m.ReadInteger(), -2);
  EXPECT_TRUE(m.ReadBoolean());
  EXPECT_FALSE(m.ReadBoolean());
  EXPECT_EQ(m.Remaining(), 0);

  m.Clear(); // texts travel as Windows-1252
  m.WriteString(QStringLiteral("30°€"));
  EXPECT_EQ(m.Memory(), hexBytes("04000000"
                                 "3330b080"));
  m.SetPosition(0);
  EXPECT_EQ(m.ReadString(), QStringLiteral("30°€"));
}

TEST(MessageStream, AnyNonZeroByteReadsAsTrueAndNonPositiveLengthsAsEmpty) {
  TQuillonMessageStream m(nullptr);
  m.SetMemory(hexBytes("7f"
                       "ffffffff"
                       "00000080"
                       "05000000"));
  EXPECT_TRUE(m.ReadBoolean());
  EXPECT_EQ(m.ReadString(), QString());
  EXPECT_EQ(m.ReadString(), QString()); // INT_MIN
  EXPECT_EQ(m.Position(), 9);
}

TEST(MessageStream, ReadsPastTheEndRaiseAndLeaveThePosition) {
  TQuillonMessageStream m(nullptr);
  m.SetMemory(hexBytes("0a000000616263"));
  EXPECT_THROW(m.ReadString(), EStreamReadError);
  EXPECT_EQ(m.Position(), 0);
  m.SetMemory(hexBytes("ffffff7f41")); // length INT_MAX, one byte of body
  EXPECT_THROW(m.ReadString(), EStreamReadError);
  m.SetMemory(hexBytes("010203"));
  EXPECT_THROW(m.ReadInteger(), EStreamReadError);
  EXPECT_EQ(m.Position(), 0);
  m.Clear();
  EXPECT_THROW(m.ReadBoolean(), EStreamReadError);
  EXPECT_EQ(QString::fromUtf8(EStreamReadError().what()), QStringLiteral("Stream read error"));
}

TEST(MessageStream, LinesSplitAtAnyLineEndAndAreWrittenWithCrLf) {
  TQuillonMessageStream m(nullptr);
  m.SetMemory(QByteArray("a\r\nb\rc\n\r\nlast"));
  EXPECT_EQ(m.ReadLines(), (QStringList{"a", "b", "c", "", "last"}));
  m.Clear();
  m.WriteLines({QStringLiteral("/opt/x"), QString(), QStringLiteral("d é")});
  EXPECT_EQ(m.Memory(), QByteArray("/opt/x\r\n\r\nd \xe9\r\n"));
  m.SetPosition(0);
  EXPECT_EQ(m.ReadLines(), (QStringList{"/opt/x", "", "d é"}));
}

TEST(Entity, RecordHasTheDocumentedBytesAndRoundTrips) {
  TEntity e(nullptr);
  e.WindowHandle = 68140;
  e.FileName = QStringLiteral("C:\\P\\x.exe");
  e.Title = QStringLiteral("X");
  TQuillonMessageStream m(nullptr);
  e.WriteToStream(m);
  EXPECT_EQ(m.Memory(), hexBytes("2c0a0100"
                                 "00000000"
                                 "0a000000") +
                            QByteArray("C:\\P\\x.exe") + hexBytes("01000000") + QByteArray("X"));
  m.SetPosition(0);
  EXPECT_TRUE(IsWellFormedEntityRecord(m));

  TEntity back(nullptr);
  back.ReadFromStream(m);
  EXPECT_EQ(back.WindowHandle, 68140u);
  EXPECT_EQ(back.MutexHandle, 0u);
  EXPECT_EQ(back.FileName, e.FileName);
  EXPECT_EQ(back.Title, e.Title);

  back.FileName = QStringLiteral("/home/ann/lab/dipolix");
  EXPECT_EQ(back.GetMutexName(), QStringLiteral("QL_dipolix"));

  // Taking over another record copies all of it; nothing, or itself, changes nothing.
  back.MutexHandle = 7;
  TEntity copy(nullptr);
  copy.Assign(&back);
  for (TEntity *t : {&copy, &back}) {
    t->Assign(nullptr);
    t->Assign(t);
    EXPECT_EQ(t->WindowHandle, 68140u);
    EXPECT_EQ(t->MutexHandle, 7u);
    EXPECT_EQ(t->FileName, back.FileName);
    EXPECT_EQ(t->Title, QStringLiteral("X"));
  }
}

TEST(Entity, CutRecordRaisesAndChangesNothing) {
  TEntity e(nullptr);
  e.WindowHandle = 5;
  e.FileName = QStringLiteral("/opt/lab/labprog");
  e.Title = QStringLiteral("Lab");
  TQuillonMessageStream m(nullptr);
  e.WriteToStream(m);
  for (qsizetype cut = 0; cut < m.Size(); ++cut) {
    TQuillonMessageStream part(nullptr);
    part.SetMemory(m.Memory().left(cut));
    EXPECT_FALSE(IsWellFormedEntityRecord(part)) << cut;
    TEntity target(nullptr);
    target.Title = QStringLiteral("keep");
    EXPECT_THROW(target.ReadFromStream(part), EStreamReadError) << cut;
    EXPECT_EQ(target.Title, QStringLiteral("keep"));
    EXPECT_EQ(target.WindowHandle, 0u);
    EXPECT_EQ(part.Position(), 0);
  }
}

TEST(TimeStamp, DaysCountFromYearOneAndMillisecondsFromMidnight) {
  const QDateTime dt(QDate(1899, 12, 30), QTime(0, 0), Qt::LocalTime);
  EXPECT_EQ(DateTimeToTimeStamp(dt), (LocalTimeStamp{0, 693594}));
  const QDateTime later(QDate(2026, 12, 8), QTime(10, 26, 3, 250), Qt::LocalTime);
  const LocalTimeStamp s = DateTimeToTimeStamp(later);
  EXPECT_EQ(s.time, ((10 * 60 + 26) * 60 + 3) * 1000 + 250);
  EXPECT_EQ(s.date, 693594 + QDate(1899, 12, 30).daysTo(QDate(2026, 12, 8)));
  EXPECT_EQ(TimeStampToDateTime(s), later);

  // A clock installed for tests is used instead of the system's, until it is removed.
  setTimeStampClock([] { return LocalTimeStamp{7, 8}; });
  EXPECT_EQ(NowTimeStamp(), (LocalTimeStamp{7, 8}));
  setTimeStampClock({});
  const int today = DateTimeToTimeStamp(QDateTime::currentDateTime()).date;
  EXPECT_LE(std::abs(NowTimeStamp().date - today), 1); // the clock may pass midnight
}

TEST(Frame, BlockIsStampThenBodyAndShortBlocksAreRejected) {
  const QByteArray block = EncodeFrameBlock(LocalTimeStamp{1, 2}, QByteArray("xy"));
  EXPECT_EQ(block, hexBytes("01000000"
                            "02000000") +
                       QByteArray("xy"));
  const auto msg = DecodeFrame(nullptr, 4711, 42, block);
  ASSERT_TRUE(msg);
  EXPECT_EQ(msg->MsgCode, 4711);
  EXPECT_EQ(msg->TimeStamp, (LocalTimeStamp{1, 2}));
  EXPECT_EQ(msg->Memory(), QByteArray("xy"));
  EXPECT_EQ(msg->Position(), 0);
  EXPECT_EQ(msg->SenderEntity->WindowHandle, 42u);
  EXPECT_TRUE(DecodeFrame(nullptr, 1, 1, block.left(8)));
  for (int n = 0; n < 8; ++n)
    EXPECT_FALSE(DecodeFrame(nullptr, 1, 1, block.left(n))) << n;
}

TEST(MessageStream, TakeOverCopiesStampSenderCodeAndBodyButNotThePosition) {
  TQuillonMessageStream src(nullptr);
  src.TimeStamp = {5, 6};
  src.MsgCode = mcReply;
  src.SenderEntity->WindowHandle = 3;
  src.SenderEntity->MutexHandle = 4;
  src.SenderEntity->FileName = QStringLiteral("f");
  src.SenderEntity->Title = QStringLiteral("t");
  src.WriteString(QStringLiteral("body"));
  TQuillonMessageStream dst(nullptr);
  dst.TakeOver(src);
  EXPECT_EQ(dst.Position(), 0);
  EXPECT_EQ(dst.TimeStamp, src.TimeStamp);
  EXPECT_EQ(dst.MsgCode, mcReply);
  EXPECT_EQ(dst.SenderEntity->MutexHandle, 4u);
  EXPECT_EQ(dst.SenderEntity->Title, QStringLiteral("t"));
  EXPECT_EQ(dst.ReadString(), QStringLiteral("body"));
}

TEST(Requests, EveryCodeParsesItsLayoutAndRefusesCutBodies) {
  struct Case {
    std::int32_t code;
    QByteArray body;
  };
  TQuillonMessageStream s(nullptr);
  TEntity e(nullptr);
  e.WindowHandle = 9;
  e.FileName = QStringLiteral("/p");
  e.Title = QStringLiteral("T");
  e.WriteToStream(s);
  const QByteArray entity = s.Memory();
  s.Clear();
  s.WriteString(QStringLiteral("/bin/echo"));
  s.WriteString(QStringLiteral("a b"));
  s.WriteBoolean(true);
  s.WriteInteger(3);
  const QByteArray run = s.Memory();
  s.Clear();
  // Lengths of more than one byte, little-endian on the wire.
  s.WriteString(QString(300, QLatin1Char('p')));
  s.WriteString(QString(70000, QLatin1Char('a')));
  s.WriteBoolean(false);
  s.WriteInteger(1);
  const QByteArray runLong = s.Memory();
  s.Clear();
  s.WriteString(QStringLiteral("name"));
  const QByteArray str = s.Memory();
  const std::vector<Case> cases = {
      {mcLogon, entity},
      {mcLogoff, entity},
      {mcQueryEntity, hexBytes("01"
                               "2a000000")},
      {mcQueryEntity, hexBytes("02") + str},
      {mcRunProgram, run},
      {mcRunProgram, runLong},
      {mcGetFile, str},
      {mcMapFileName, str},
      {mcQueryString, str},
      {mcGetServerParam, str},
  };
  for (const Case &c : cases) {
    TQuillonMessageStream body(nullptr);
    body.SetMemory(c.body);
    body.SetPosition(c.body.size()); // left at its end by an earlier reader
    QuillonRequest r;
    ASSERT_TRUE(ParseRequest(c.code, body, r)) << c.code;
    EXPECT_EQ(body.Position(), 0) << c.code;
    for (qsizetype cut = 0; cut < c.body.size(); ++cut) {
      body.SetMemory(c.body.left(cut));
      EXPECT_FALSE(ParseRequest(c.code, body, r)) << c.code << " cut at " << cut;
    }
  }
  TQuillonMessageStream body(nullptr);
  QuillonRequest r;
  body.SetMemory(run);
  ASSERT_TRUE(ParseRequest(mcRunProgram, body, r));
  EXPECT_EQ(r.text, QStringLiteral("/bin/echo"));
  EXPECT_EQ(r.parameters, QStringLiteral("a b"));
  EXPECT_TRUE(r.wait);
  EXPECT_EQ(r.mode, 3);
  body.SetMemory(hexBytes("03"
                          "2a000000"));
  EXPECT_FALSE(ParseRequest(mcQueryEntity, body, r)) << "unknown selector";
  body.SetMemory(QByteArray("\x01", 1));
  EXPECT_FALSE(ParseRequest(mcQuit, body, r)) << "not a request";
  EXPECT_TRUE(IsWellFormedRequest(mcQuit, body));
  body.Clear();
  EXPECT_FALSE(IsWellFormedRequest(mcQuit, body));
}

TEST(Replies, FileReplyHoldsExactlyTheBytesBehindTheFlag) {
  TQuillonMessageStream r(nullptr);
  r.SetMemory(QByteArray("\x01", 1));
  auto empty = ReadFileReply(r);
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->size(), 0);
  r.SetMemory(QByteArray("\x01PNG", 4));
  auto bytes = ReadFileReply(r);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(bytes->pos(), 0);
  EXPECT_EQ(bytes->readAll(), QByteArray("PNG"));
  r.SetMemory(QByteArray("\x00rest", 5));
  EXPECT_FALSE(ReadFileReply(r));
  r.Clear();
  EXPECT_THROW(ReadFileReply(r), EStreamReadError);
  EXPECT_FALSE(ReadEntityReply(nullptr, r));
}

} // namespace
