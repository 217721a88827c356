#include "MessageFrame.h"

#include <QtEndian>

namespace platform::frame {

namespace {
void put32(char *at, std::uint32_t value) { qToLittleEndian(value, at); }
std::uint32_t get32(const char *at) { return qFromLittleEndian<std::uint32_t>(at); }
} // namespace

QByteArray encodeRequest(const Header &header, const QByteArray &block) {
  QByteArray bytes(kHeaderSize + block.size(), Qt::Uninitialized);
  char *p = bytes.data();
  put32(p, kRequestMagic);
  put32(p + 4, kVersion);
  put32(p + 8, header.target);
  put32(p + 12, header.sender);
  put32(p + 16, header.code);
  put32(p + 20, static_cast<std::uint32_t>(block.size()));
  if (!block.isEmpty())
    std::copy(block.cbegin(), block.cend(), p + kHeaderSize);
  return bytes;
}

bool decodeHeader(const char *bytes, Header &out) {
  if (get32(bytes) != kRequestMagic || get32(bytes + 4) != kVersion)
    return false;
  Header h;
  h.target = get32(bytes + 8);
  h.sender = get32(bytes + 12);
  h.code = get32(bytes + 16);
  h.length = get32(bytes + 20);
  if (h.target == 0 || h.length > kMaxBlock)
    return false;
  out = h;
  return true;
}

QByteArray encodeReply(std::uint32_t status, std::int64_t result) {
  QByteArray bytes(kReplySize, Qt::Uninitialized);
  char *p = bytes.data();
  put32(p, kReplyMagic);
  put32(p + 4, status);
  qToLittleEndian(result, p + 8);
  return bytes;
}

bool decodeReply(const char *bytes, std::uint32_t &status, std::int64_t &result) {
  if (get32(bytes) != kReplyMagic)
    return false;
  const std::uint32_t s = get32(bytes + 4);
  if (s != kStatusHandled && s != kStatusNoWindow)
    return false;
  status = s;
  result = qFromLittleEndian<std::int64_t>(bytes + 8);
  return true;
}

} // namespace platform::frame
