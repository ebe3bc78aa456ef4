#include "Args.h"

#include <string_view>

namespace quorvel::cli {

const char* const kUsage =
    "usage: quorvel-gen [OPTION]... FILE\n"
    "       quorvel-gen [OPTION]... -o FOLDER FILE...\n"
    "\n"
    "Writes the Visual Basic module that re-creates FILE byte for byte: Windows-1252 text\n"
    "with CRLF line ends. FILE \"-\" is standard input (give --name with it).\n"
    "\n"
    "  --dest FOLDER  folder the module re-creates the file in (default \".\": the folder\n"
    "                 that is current when the module runs)\n"
    "  --name NAME    file name written into the module (default: FILE's own name)\n"
    "  -o OUT, --output OUT\n"
    "                 write the module to OUT (default, and \"-\": standard output). OUT\n"
    "                 is replaced only once the whole module is written. When OUT is a\n"
    "                 folder, each FILE gives <VB_Name>.bas in it (modlogo.bas for\n"
    "                 logo.gif), all of them or none. A read-only OUT is refused\n"
    "                 (error 75)\n"
    "  --force        replace a read-only OUT all the same (it stays read-only)\n"
    "  --private      declare cl_fp, part 1, Create_ and WriteBytes Private, so only\n"
    "                 code inside the module can call Create_ (add a Public wrapper to\n"
    "                 call it from elsewhere). Parts 2 and later stay Public, as in every\n"
    "                 module Quorvel has made: a part is no use on its own, since it\n"
    "                 writes into the file that only Create_ opens (default: all Public)\n"
    "  --verify       read the module back and compare the bytes it writes with FILE\n"
    "  --strict       fail (exit 1, nothing written) when the module would be longer than\n"
    "                 the 65,534 lines a VB6 module may hold, instead of warning\n"
    "  -q, --quiet    no warnings and no progress bar\n"
    "  --help, --version  print this or the version; never the value of another option\n"
    "  --             ends the options: what follows is FILE even when it begins with \"-\"\n"
    "Long options also take their value as --dest=FOLDER, and -oOUT works.\n"
    "\n"
    "The module's file name must be one Windows can hold: a name holding a control\n"
    "character, a character Windows-1252 lacks or one of \\ / : * ? \" < > |, a name that is\n"
    "\".\" or \"..\", ends in a dot or a blank, or is a device name (CON, NUL, COM1, LPT1 ...)\n"
    "is refused with error 52 and no module is written (--name is the way around it). So is a\n"
    "destination holding a control character, a character Windows-1252 lacks, one of\n"
    "\" * ? < > | or a \":\" other than a drive's.\n"
    "\n"
    "Exit status: 0 done, 1 a VB run-time error (\"quorvel-gen: nodir/a.b: error 76: Path\n"
    "not found\"), 2 a usage error.\n";

namespace {

std::string_view OptionName(std::string_view arg) {
  const std::size_t eq = arg.find('=');
  return eq == std::string_view::npos ? arg : arg.substr(0, eq);
}

bool EndsTheReading(std::string_view arg) { return arg == "--help" || arg == "-h" || arg == "--version"; }

}  // namespace

Options ParseArguments(const std::vector<std::string>& args) {
  Options o;
  bool optionsOver = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsOver || a.size() < 2 || a[0] != '-') {
      o.files.push_back(a);
      continue;
    }
    // The next argument, whatever it looks like, except --help and --version.
    auto next = [&](std::string_view name) -> std::string {
      if (i + 1 >= args.size()) throw UsageError{std::string(name) + " needs a value"};
      if (EndsTheReading(args[i + 1]))
        throw UsageError{std::string(name) + " needs a value; " + args[i + 1] + " is never one"};
      return args[++i];
    };
    // The value of an option: the next argument, or the text after "=".
    auto value = [&](std::string_view name) -> std::optional<std::string> {
      if (a == name) return next(name);
      if (a.size() > name.size() && a.compare(0, name.size(), name) == 0 && a[name.size()] == '=')
        return a.substr(name.size() + 1);
      return std::nullopt;
    };
    if (a == "--") {
      optionsOver = true;
    } else if (a == "--help" || a == "-h") {
      o.help = true;
      return o;
    } else if (a == "--version") {
      o.version = true;
      return o;
    } else if (a == "--private") {
      o.isPrivate = true;
    } else if (a == "--verify") {
      o.verify = true;
    } else if (a == "--strict") {
      o.strict = true;
    } else if (a == "--force") {
      o.force = true;
    } else if (a == "-q" || a == "--quiet") {
      o.quiet = true;
    } else if (auto v = value("--dest")) {
      o.dest = *v;
    } else if (auto v = value("--name")) {
      if (v->empty()) throw UsageError{"--name may not be empty"};
      o.name = *v;
    } else if (auto v = value("--output")) {
      o.out = *v;
    } else if (a == "-o") {
      o.out = next("-o");
    } else if (a.compare(0, 2, "-o") == 0) {
      o.out = a.substr(2);
    } else {
      throw UsageError{"unknown option " + std::string(OptionName(a))};
    }
  }
  if (o.out && o.out->empty()) throw UsageError{"-o may not be empty"};
  // An empty destination would make the module write to the root of the current drive.
  if (o.dest.empty()) throw UsageError{"--dest may not be empty (\".\" is the current folder)"};
  if (o.files.empty()) throw UsageError{"FILE is missing"};
  return o;
}

}  // namespace quorvel::cli
