// quorvel-gen: converts files into the Visual Basic modules that re-create them.
#include <cstdio>
#include <exception>

#include "Args.h"
#include "ErrorReport.h"
#include "Files.h"
#include "ModuleGenerator.h"
#include "Run.h"

int main(int argc, char** argv) {
  using namespace quorvel::cli;
  PrepareProcess();
  InstallStopHandlers();
  try {
    const Options o = ParseArguments(Arguments(argc, argv));
    if (o.help) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (o.version) {
      const auto v = quorvel::ProductVersion();
      std::printf("%d.%d.%d\n", v.major, v.minor, v.revision);
      return 0;
    }
    return Run(o);
  } catch (...) {
    return ReportFailure(std::current_exception());
  }
}
