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
    "                 logo.gif; a compact set also <VB_Name>_2.bas ...), all of them or\n"
    "                 none. A read-only OUT is refused (error 75)\n"
    "  --force        replace a read-only OUT all the same (it stays read-only)\n"
    "  --private      declare cl_fp, part 1, Create_ and WriteBytes Private, so only\n"
    "                 code inside the module can call Create_ (add a Public wrapper to\n"
    "                 call it from elsewhere). Parts 2 and later stay Public, as in every\n"
    "                 module Quorvel has made: a part is no use on its own, since it\n"
    "                 writes into the file that only Create_ opens (default: all Public).\n"
    "                 Compact: Create_, Bytes_ and <stem>_Length Private (a set's other\n"
    "                 modules keep Public the entries module 1 calls)\n"
    "  --layout classic|compact\n"
    "                 classic (the default): the module the window writes, 32 bytes a\n"
    "                 line, about 2 MB in the 65,534 lines a VB6 module may hold.\n"
    "                 compact: 500 bytes a line, about 30 MB a module, and beside\n"
    "                 Create_<stem> a Bytes_<stem>() function that returns the bytes as a\n"
    "                 Byte array, writing no file (Dim b() As Byte: b = Bytes_logo_gif())\n"
    "  --max-lines N  lines a module may hold (default, and most: 65,534). A compact\n"
    "                 module past it becomes a set, mod<name>.bas, mod<name>_2.bas ...,\n"
    "                 written only with -o FOLDER; import them all into one project. A\n"
    "                 classic module past it is warned of (see --strict)\n"
    "  --libreoffice  compact modules LibreOffice Basic compiles (it holds about 63,000\n"
    "                 characters of literals a module): at most three parts, 24,000\n"
    "                 bytes, a module; a set holds about 6 MB. Implies --layout compact\n"
    "  --verify       read the module (every module of a set) back and compare the\n"
    "                 bytes it writes with FILE. It reads the new files before they\n"
    "                 take OUT's place: it proves what each module makes, not where it\n"
    "                 lands (two targets that are one file are refused beforehand)\n"
    "  --strict       fail (exit 1, nothing written) when a classic module would be longer\n"
    "                 than --max-lines, instead of warning\n"
    "  -q, --quiet    no warnings and no progress bar\n"
    "  --help, --version  print this or the version; never the value of another option\n"
    "  --             ends the options: what follows is FILE even when it begins with \"-\"\n"
    "Long options also take their value as --dest=FOLDER, and -oOUT works.\n"
    "Which layout: classic for small files and modules like those the window makes;\n"
    "compact for files past 2 MB, for the bytes in memory (Bytes_), and for quicker\n"
    "re-creation.\n"
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

// A whole number of lines from 1 to what a VB6 module may hold, in plain digits.
std::uint64_t LineBudget(const std::string& text) {
  std::uint64_t n = 0;
  bool ok = !text.empty() && text.size() <= 6;
  for (char c : text) {
    if (c < '0' || c > '9') ok = false;
    else n = n * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (!ok || n < 1 || n > kMaxVbModuleLines)
    throw UsageError{"--max-lines takes a number of lines from 1 to " + std::to_string(kMaxVbModuleLines) + ", not " +
                     text};
  return n;
}

}  // namespace

Options ParseArguments(const std::vector<std::string>& args) {
  Options o;
  bool optionsOver = false;
  bool classicAskedFor = false;  // --layout classic
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
    } else if (a == "--libreoffice") {
      o.libreOffice = true;
    } else if (auto v = value("--layout")) {
      classicAskedFor = *v == "classic";
      if (*v == "classic") o.layout = ModuleLayout::kClassic;
      else if (*v == "compact") o.layout = ModuleLayout::kCompact;
      else throw UsageError{"--layout is classic or compact, not " + *v};
    } else if (auto v = value("--max-lines")) {
      o.maxLines = LineBudget(*v);
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
  if (o.libreOffice) {
    if (classicAskedFor) throw UsageError{"--libreoffice plans compact modules; it does not go with --layout classic"};
    o.layout = ModuleLayout::kCompact;
  }
  if (o.out && o.out->empty()) throw UsageError{"-o may not be empty"};
  // An empty destination would make the module write to the root of the current drive.
  if (o.dest.empty()) throw UsageError{"--dest may not be empty (\".\" is the current folder)"};
  if (o.files.empty()) throw UsageError{"FILE is missing"};
  return o;
}

}  // namespace quorvel::cli
