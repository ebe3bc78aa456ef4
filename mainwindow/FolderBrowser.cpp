#include "FolderBrowser.h"

#if QUORVEL_HAVE_PATHWELL_CLIENT
#include "PathwellClient.h"
#endif

namespace quorvel {
namespace {

#if QUORVEL_HAVE_PATHWELL_CLIENT
class PathwellBrowser final : public FolderBrowser {
 public:
  explicit PathwellBrowser(std::wstring folder) : folder_(std::move(folder)) {}
  HRESULT Create(HWND host) override { return client_.Create(host, folder_); }
  HRESULT Browse(HWND owner, const std::wstring& prompt, std::wstring& result) override {
    if (!client_.Created()) return REGDB_E_CLASSNOTREG;
    return client_.Browse(owner, prompt, result);
  }

 private:
  std::wstring folder_;
  pathwell::PathwellClient client_;
};
#else
// A build without the control library's client: the control is never available.
class PathwellBrowser final : public FolderBrowser {
 public:
  explicit PathwellBrowser(std::wstring) {}
  HRESULT Create(HWND) override { return REGDB_E_CLASSNOTREG; }
  HRESULT Browse(HWND, const std::wstring&, std::wstring&) override { return REGDB_E_CLASSNOTREG; }
};
#endif

}  // namespace

std::unique_ptr<FolderBrowser> MakePathwellBrowser(std::wstring fallbackFolder) {
  return std::make_unique<PathwellBrowser>(std::move(fallbackFolder));
}

}  // namespace quorvel
