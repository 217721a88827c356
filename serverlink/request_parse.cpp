// Reading replies on the client side and requests on the server side. Both come from another
// process: every length is checked against the body before anything is taken from it.

#include "MarloDemon.h"

#include <QBuffer>

std::unique_ptr<TEntity> ReadEntityReply(TkdbCustomDemon *demon, TMemoryStream &reply) {
  if (reply.Size() == 0)
    return nullptr;
  auto entity = std::make_unique<TEntity>(demon);
  entity->ReadFromStream(reply);
  return entity;
}

std::unique_ptr<QBuffer> ReadFileReply(TMemoryStream &reply) {
  if (!reply.ReadBoolean())
    return nullptr;
  auto stream = std::make_unique<QBuffer>();
  stream->setData(reply.ReadRest());
  stream->open(QIODevice::ReadOnly);
  return stream;
}

bool ParseRequest(std::int32_t code, TMemoryStream &body, QuillonRequest &out) {
  body.SetPosition(0);
  if (code < mcLogon || code > mcGetServerParam || code == mcParams)
    return false;
  if (!IsWellFormedRequest(code, body))
    return false;
  out = QuillonRequest{};
  out.code = code;
  try {
    switch (code) {
    case mcLogon:
    case mcLogoff: out.entity.ReadFromStream(body); break;
    case mcQueryEntity:
      out.selector = body.ReadByte();
      if (out.selector == qeByHandle)
        out.handle = static_cast<THandle>(body.ReadInteger());
      else
        out.text = body.ReadString();
      break;
    case mcRunProgram:
      out.text = body.ReadString();
      out.parameters = body.ReadString();
      out.wait = body.ReadBoolean();
      out.mode = body.ReadInteger();
      break;
    default: out.text = body.ReadString(); break;
    }
  } catch (const EStreamReadError &) {
    return false; // cannot happen after the layout check; kept as the last line of defence
  }
  body.SetPosition(0);
  return true;
}
