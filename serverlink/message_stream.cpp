// The message stream: the byte buffer, the encodings of integers, Booleans, strings and text
// lines, the time stamp, and the frame block that carries a message between windows.

#include "MarloDemon.h"

#include "Cp1252.h"
#include "LocalTime.h"

#include <QDateTime>

#include <algorithm>
#include <cstring>
#include <limits>

EStreamReadError::EStreamReadError() : EBaseError(QStringLiteral("Stream read error")) {}

// ---- time stamps ----

namespace {
std::function<LocalTimeStamp()> &timeStampClock() {
  static std::function<LocalTimeStamp()> clock;
  return clock;
}
} // namespace

LocalTimeStamp DateTimeToTimeStamp(const QDateTime &dateTime) {
  return platform::toLocalTimeStamp(dateTime);
}

QDateTime TimeStampToDateTime(LocalTimeStamp stamp) { return platform::fromLocalTimeStamp(stamp); }

LocalTimeStamp NowTimeStamp() {
  if (timeStampClock())
    return timeStampClock()();
  return platform::localTimeStampNow();
}

void setTimeStampClock(std::function<LocalTimeStamp()> clock) {
  timeStampClock() = std::move(clock);
}

// ---- the byte buffer ----

void TMemoryStream::Clear() {
  m_data.clear();
  m_position = 0;
}

void TMemoryStream::SetMemory(QByteArray bytes) {
  m_data = std::move(bytes);
  m_position = 0;
}

qint64 TMemoryStream::Read(void *buffer, qint64 count) {
  const qint64 n = std::min<qint64>(std::max<qint64>(count, 0), Remaining());
  if (n > 0) {
    std::memcpy(buffer, m_data.constData() + m_position, static_cast<std::size_t>(n));
    m_position += n;
  }
  return n;
}

void TMemoryStream::ReadBuffer(void *buffer, qint64 count) {
  if (count < 0 || count > Remaining())
    throw EStreamReadError();
  Read(buffer, count);
}

void TMemoryStream::Write(const void *buffer, qint64 count) {
  if (count <= 0)
    return;
  const qint64 end = m_position + count;
  if (end > m_data.size())
    m_data.resize(end, '\0');
  std::memcpy(m_data.data() + m_position, buffer, static_cast<std::size_t>(count));
  m_position = end;
}

std::int32_t TMemoryStream::ReadInteger() {
  unsigned char b[4];
  ReadBuffer(b, 4);
  const std::uint32_t u = std::uint32_t(b[0]) | (std::uint32_t(b[1]) << 8) |
                          (std::uint32_t(b[2]) << 16) | (std::uint32_t(b[3]) << 24);
  return static_cast<std::int32_t>(u);
}

void TMemoryStream::WriteInteger(std::int32_t value) {
  const auto u = static_cast<std::uint32_t>(value);
  const unsigned char b[4] = {
      static_cast<unsigned char>(u & 0xFF), static_cast<unsigned char>((u >> 8) & 0xFF),
      static_cast<unsigned char>((u >> 16) & 0xFF), static_cast<unsigned char>((u >> 24) & 0xFF)};
  Write(b, 4);
}

std::uint8_t TMemoryStream::ReadByte() {
  std::uint8_t b = 0;
  ReadBuffer(&b, 1);
  return b;
}

void TMemoryStream::WriteByte(std::uint8_t value) { Write(&value, 1); }

bool TMemoryStream::ReadBoolean() { return ReadByte() != 0; }

void TMemoryStream::WriteBoolean(bool value) { WriteByte(value ? 1 : 0); }

QByteArray TMemoryStream::ReadRest() {
  QByteArray rest = m_data.mid(std::min<qint64>(m_position, m_data.size()));
  m_position = std::max<qint64>(m_position, m_data.size());
  return rest;
}

// ---- the message ----

TQuillonMessageStream::TQuillonMessageStream(TkdbCustomDemon *demon)
    : SenderEntity(std::make_unique<TEntity>(demon)), Demon(demon) {}

void TMemoryStream::WriteString(const QString &text) {
  const QByteArray bytes = cp1252::encode(text);
  WriteInteger(static_cast<std::int32_t>(bytes.size()));
  Write(bytes.constData(), bytes.size());
}

QString TMemoryStream::ReadString() {
  const qint64 start = m_position;
  const std::int32_t length = ReadInteger();
  if (length <= 0)
    return QString();
  // A length that runs past the body is refused before anything is allocated for it.
  if (length > Remaining()) {
    m_position = start;
    throw EStreamReadError();
  }
  const QByteArrayView bytes(m_data.constData() + m_position, length);
  m_position += length;
  return cp1252::decode(bytes);
}

QStringList TMemoryStream::ReadLines() {
  const QString text = cp1252::decode(QByteArrayView(m_data));
  QStringList lines;
  qsizetype start = 0;
  const qsizetype n = text.size();
  qsizetype i = 0;
  while (i < n) {
    const QChar c = text.at(i);
    if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
      lines.append(text.mid(start, i - start));
      if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
        ++i;
      start = i + 1;
    }
    ++i;
  }
  if (start < n)
    lines.append(text.mid(start));
  m_position = m_data.size();
  return lines;
}

void TMemoryStream::WriteLines(const QStringList &lines) {
  for (const QString &line : lines) {
    const QByteArray bytes = cp1252::encode(line) + "\r\n";
    Write(bytes.constData(), bytes.size());
  }
}

void TQuillonMessageStream::SendTo(TEntity &target, TQuillonMessageStream *reply) {
  if (Demon)
    Demon->SendTo(target, *this, reply);
}

void TQuillonMessageStream::TakeOver(const TQuillonMessageStream &other) {
  if (&other == this)
    return;
  TimeStamp = other.TimeStamp;
  SenderEntity->WindowHandle = other.SenderEntity->WindowHandle;
  SenderEntity->MutexHandle = other.SenderEntity->MutexHandle;
  SenderEntity->FileName = other.SenderEntity->FileName;
  SenderEntity->Title = other.SenderEntity->Title;
  MsgCode = other.MsgCode;
  m_data = other.m_data;
}

// ---- the frame ----

QByteArray EncodeFrameBlock(const LocalTimeStamp &stamp, const QByteArray &body) {
  TMemoryStream block;
  block.WriteInteger(stamp.time);
  block.WriteInteger(stamp.date);
  block.Write(body.constData(), body.size());
  return block.Memory();
}

std::unique_ptr<TQuillonMessageStream> DecodeFrame(TkdbCustomDemon *demon, std::int32_t code,
                                                   THandle sender, QByteArrayView block) {
  if (block.size() < 8)
    return nullptr;
  auto msg = std::make_unique<TQuillonMessageStream>(demon);
  msg->MsgCode = code;
  msg->SetMemory(QByteArray(block.constData(), 8));
  msg->TimeStamp.time = msg->ReadInteger();
  msg->TimeStamp.date = msg->ReadInteger();
  msg->SetMemory(QByteArray(block.constData() + 8, block.size() - 8));
  msg->SenderEntity->WindowHandle = sender;
  return msg;
}

// ---- layout checks ----

namespace {

// Walks a body without decoding it, the way the receiving side will read it.
class LayoutCursor {
public:
  explicit LayoutCursor(const TMemoryStream &s) : m_size(s.Size()), m_pos(s.Position()) {}
  bool Skip(qint64 n) {
    if (n < 0 || n > m_size - m_pos)
      return false;
    m_pos += n;
    return true;
  }
  bool Integer(std::int32_t *out, const QByteArray &data) {
    if (m_size - m_pos < 4)
      return false;
    std::uint32_t u = 0;
    for (int i = 3; i >= 0; --i)
      u = (u << 8) | static_cast<unsigned char>(data.at(m_pos + i));
    m_pos += 4;
    if (out)
      *out = static_cast<std::int32_t>(u);
    return true;
  }
  bool String(const QByteArray &data) {
    std::int32_t length = 0;
    if (!Integer(&length, data))
      return false;
    return length <= 0 || Skip(length);
  }
  bool Entity(const QByteArray &data) {
    return Integer(nullptr, data) && Integer(nullptr, data) && String(data) && String(data);
  }
  qint64 Position() const { return m_pos; }

private:
  qint64 m_size;
  qint64 m_pos;
};

} // namespace

bool IsWellFormedEntityRecord(const TMemoryStream &body) {
  LayoutCursor c(body);
  return c.Entity(body.Memory());
}

bool IsWellFormedRequest(std::int32_t code, const TMemoryStream &body) {
  const QByteArray &data = body.Memory();
  LayoutCursor c(body);
  switch (code) {
  case mcQuit: return c.Skip(1);
  case mcLogon:
  case mcLogoff: return c.Entity(data);
  case mcQueryEntity: {
    if (!c.Skip(1))
      return false;
    const auto selector = static_cast<unsigned char>(data.at(c.Position() - 1));
    if (selector == qeByHandle)
      return c.Integer(nullptr, data);
    if (selector == qeByTitle)
      return c.String(data);
    return false;
  }
  case mcRunProgram:
    return c.String(data) && c.String(data) && c.Skip(1) && c.Integer(nullptr, data);
  case mcGetFile:
  case mcMapFileName:
  case mcQueryString:
  case mcGetServerParam: return c.String(data);
  default: return true;
  }
}
