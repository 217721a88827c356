// A program of the family for the tests: builds the client component with the given facts
// and runs its start-up. As a second start it ends inside Loaded with exit code 0; as a first
// start it prints "running" and serves until the server tells it to quit. It prints "starting"
// first, through C's buffered standard output, which an ending second start must flush.
//   sl_client_helper PROGRAM_PATH TITLE USE_SERVER(0/1) [ARGS...]

#include "MarloDemon.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  if (args.size() < 4)
    return 2;
  DemonEnvironment env;
  env.programPath = args.at(1);
  env.applicationTitle = args.at(2);
  env.arguments = args.mid(4);
  std::fputs("starting\n", stdout);
  try {
    auto *client = new TkdbDemonClient(nullptr, env);
    client->SetUseMarloServer(args.at(3) == QLatin1String("1"));
    client->Loaded();
    QTextStream(stdout) << "running\n";
  } catch (const std::exception &e) {
    QTextStream(stderr) << e.what() << "\n";
    return 1;
  }
  return QCoreApplication::exec();
}
