#pragma once
// Writing a whole file so that a failure never harms what was there before.
#include <string>
#include <string_view>

namespace quorvel::TextFile {

// Writes `bytes` into a new file in the target's folder and then puts it in the target's
// place. An existing target is replaced only when every byte has been written; a hidden or
// system file, a folder, a read-only or locked target is left as it was. Failures are
// VbError (76 no such folder, 75 access denied, 70 locked, 61 disk full ...).
void WriteReplacing(const std::wstring& target, std::string_view bytes);

}  // namespace quorvel::TextFile
