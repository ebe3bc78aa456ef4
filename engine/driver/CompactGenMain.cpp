// quorvel-compact-gen: a test driver that writes the modules of either layout into a folder,
// one file per module named after its VB_Name, until quorvel-gen itself offers the choice.
//   quorvel-compact-gen [--layout classic|compact] [--private] [--dest DIR] [--name NAME]
//                       [--max-lines N] [--verify] -o FOLDER FILE
// Prints one line per module: its file name and its line count. Exit 0, 1 on a failure, 2 on
// a usage error.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "CompactReader.h"
#include "ModuleReader.h"
#include "ModuleSet.h"
#include "VbError.h"
#include "Windows1252.h"

using namespace quorvel;

namespace {

class FolderSink : public ModuleSetSink {
 public:
  explicit FolderSink(std::string folder) : folder_(std::move(folder)) {}
  TextSink& Module(std::int32_t, const ModuleInfo& module) override {
    files_.push_back(folder_ + "/" + module.vbName + ".bas");
    texts_.emplace_back();
    return texts_.back();
  }
  void Save() {
    for (std::size_t k = 0; k < files_.size(); ++k) {
      std::ofstream out(files_[k], std::ios::binary);
      const std::string encoded = ToWindows1252(texts_[k].Text());
      out.write(encoded.data(), static_cast<std::streamsize>(encoded.size()));
      if (!out) throw VbError(kErrPathFileAccess);
    }
  }
  std::vector<std::string> files_;
  std::vector<StringSink> texts_;

 private:
  std::string folder_;
};

int Usage(const char* why) {
  std::fprintf(stderr, "quorvel-compact-gen: %s\n", why);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  ModuleOptions options;
  std::string out, file;
  bool verify = false;
  std::optional<std::string> name;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) std::exit(Usage(("missing value after " + a).c_str()));
      return argv[++i];
    };
    if (a == "--layout") {
      const std::string v = value();
      if (v != "classic" && v != "compact") return Usage("--layout is classic or compact");
      options.layout = v == "compact" ? ModuleLayout::kCompact : ModuleLayout::kClassic;
    } else if (a == "--private") options.scope = "Private";
    else if (a == "--dest") options.destFolder = value();
    else if (a == "--name") name = value();
    else if (a == "--max-lines") options.maxLines = std::stoull(value());
    else if (a == "--verify") verify = true;
    else if (a == "-o") out = value();
    else if (!a.empty() && a[0] == '-') return Usage(("unknown option " + a).c_str());
    else file = a;
  }
  if (out.empty() || file.empty()) return Usage("usage: [--layout classic|compact] [--private] [--dest DIR] [--name NAME] [--max-lines N] [--verify] -o FOLDER FILE");
  options.fileName = name ? *name : file.substr(file.find_last_of('/') + 1);

  std::ifstream in(file, std::ios::binary);
  if (!in) return Usage(("cannot read " + file).c_str());
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  try {
    MemorySource source(bytes);
    FolderSink sink(out);
    const ModuleSetCounters counters = GenerateModuleSet(options, source, sink);
    sink.Save();
    for (std::size_t k = 0; k < counters.modules.size(); ++k)
      std::printf("%s.bas %llu\n", counters.modules[k].vbName.c_str(),
                  static_cast<unsigned long long>(counters.modules[k].lines));
    if (verify) {
      std::vector<std::string> texts;
      for (StringSink& t : sink.texts_) texts.push_back(t.Text());
      const auto back = options.layout == ModuleLayout::kCompact ? ReadCompactModules(texts) : ReadModuleBytes(texts[0]);
      if (back != bytes) {
        std::fprintf(stderr, "quorvel-compact-gen: verify failed: other bytes\n");
        return 1;
      }
    }
  } catch (const VbError& e) {
    std::fprintf(stderr, "quorvel-compact-gen: %s\n", e.what());
    return 1;
  } catch (const ModuleFormatError& e) {
    std::fprintf(stderr, "quorvel-compact-gen: verify failed: %s\n", e.what());
    return 1;
  }
  return 0;
}
