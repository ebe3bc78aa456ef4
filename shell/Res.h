#pragma once
#include <windows.h>

#include <span>
#include <string>

namespace quorvel::Res {

// The bytes of a resource of the program file (empty when there is none).
std::span<const BYTE> LoadResourceBytes(int id, const std::wstring& type);

// Writes resource `type`/`id` into fileName from its first byte on, without emptying an
// existing file first. Throws VbError (53, 75, 76 ...) when it cannot.
void SaveResourceToFile(const std::wstring& fileName, int id, const std::wstring& type);

}  // namespace quorvel::Res
