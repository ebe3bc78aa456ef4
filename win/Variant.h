#pragma once
// Owner of one VARIANT: initialised on construction, cleared (releasing a BSTR, an object or
// an array it holds) on destruction and before it is filled again.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>
#include <utility>

namespace quorvel::win {

class Variant {
 public:
  Variant() noexcept { ::VariantInit(&value_); }
  explicit Variant(LONG value) noexcept : Variant() {
    V_VT(&value_) = VT_I4;
    V_I4(&value_) = value;
  }
  // A String; a BSTR that cannot be allocated leaves the null BSTR, which VB reads as "".
  explicit Variant(std::wstring_view text) noexcept : Variant() {
    V_VT(&value_) = VT_BSTR;
    V_BSTR(&value_) = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  Variant(Variant&& other) noexcept : Variant() { std::swap(value_, other.value_); }
  Variant& operator=(Variant&& other) noexcept {
    if (this != &other) {
      reset();
      std::swap(value_, other.value_);
    }
    return *this;
  }
  ~Variant() { reset(); }

  VARIANT* get() noexcept { return &value_; }
  const VARIANT* get() const noexcept { return &value_; }
  VARTYPE type() const noexcept { return V_VT(&value_); }

  // Empties the value, so that a callee can fill it.
  VARIANT* put() noexcept {
    reset();
    return &value_;
  }
  void reset() noexcept { ::VariantClear(&value_); }
  // Copies another VARIANT in (a BSTR duplicated, an object referenced once more).
  HRESULT CopyFrom(const VARIANT& source) noexcept {
    reset();
    // Older headers declare the source without const; it is only read.
    return ::VariantCopy(&value_, const_cast<VARIANT*>(&source));
  }
  // Converts in place, as VB coerces a Variant; on failure the value is unchanged.
  HRESULT ChangeType(VARTYPE type) noexcept { return ::VariantChangeType(&value_, &value_, 0, type); }

  // The value read as the type it holds; callers check type() (or ChangeType) first.
  LONG Long() const noexcept { return V_I4(&value_); }
  bool Bool() const noexcept { return V_BOOL(&value_) != VARIANT_FALSE; }
  std::wstring Text() const {
    const BSTR text = V_BSTR(&value_);
    return text ? std::wstring(text, ::SysStringLen(text)) : std::wstring();
  }

 private:
  VARIANT value_;
};

}  // namespace quorvel::win
