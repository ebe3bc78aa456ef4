#include "Variant.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <utility>

namespace quorvel::win {
namespace {

// An object that only counts its references, to see what a Variant holding it releases.
class Counted final : public IUnknown {
 public:
  LONG refs = 1;
  STDMETHODIMP QueryInterface(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
};

void Hold(Variant& variant, IUnknown* object) {
  object->AddRef();
  VARIANT* slot = variant.put();
  V_VT(slot) = VT_UNKNOWN;
  V_UNKNOWN(slot) = object;
}

TEST(Variant, ReleasesWhatItHoldsWhenDestroyedOrRefilled) {
  Counted first;
  Counted second;
  {
    Variant variant;
    EXPECT_EQ(variant.type(), VT_EMPTY);
    Hold(variant, &first);
    EXPECT_EQ(first.refs, 2);
    Hold(variant, &second);  // put() lets go of the first object before the callee fills it
    EXPECT_EQ(first.refs, 1);
    EXPECT_EQ(second.refs, 2);
  }
  EXPECT_EQ(second.refs, 1);
}

TEST(Variant, CopiesTakeAReferenceOfTheirOwnAndMovesTakeNone) {
  Counted object;
  Variant original;
  Hold(original, &object);
  {
    Variant copy;
    ASSERT_HRESULT_SUCCEEDED(copy.CopyFrom(*original.get()));
    EXPECT_EQ(object.refs, 3);
  }
  EXPECT_EQ(object.refs, 2);

  Variant moved(std::move(original));
  EXPECT_EQ(object.refs, 2);
  EXPECT_EQ(original.type(), VT_EMPTY);
  Variant assigned;
  assigned = std::move(moved);
  EXPECT_EQ(object.refs, 2);
  assigned.reset();
  EXPECT_EQ(object.refs, 1);
  EXPECT_EQ(assigned.type(), VT_EMPTY);
}

TEST(Variant, ConvertsAsVbCoercesAndKeepsTheValueWhenItCannot) {
  Variant number(L"64");
  EXPECT_EQ(number.type(), VT_BSTR);
  EXPECT_EQ(number.Text(), L"64");
  ASSERT_HRESULT_SUCCEEDED(number.ChangeType(VT_I4));
  EXPECT_EQ(number.Long(), 64);

  Variant words(L"folders only");
  EXPECT_HRESULT_FAILED(words.ChangeType(VT_I4));
  EXPECT_EQ(words.type(), VT_BSTR);
  EXPECT_EQ(words.Text(), L"folders only");

  for (const LONG value : {-1, 1, 0}) {
    Variant flag(value);
    ASSERT_HRESULT_SUCCEEDED(flag.ChangeType(VT_BOOL));
    EXPECT_EQ(flag.Bool(), value != 0) << value;
  }

  // Text with NULs inside, and the null BSTR that VB reads as "".
  EXPECT_EQ(Variant(std::wstring_view(L"a\0b", 3)).Text(), std::wstring(L"a\0b", 3));
  Variant nothing;
  V_VT(nothing.get()) = VT_BSTR;
  V_BSTR(nothing.get()) = nullptr;
  EXPECT_EQ(nothing.Text(), L"");
}

}  // namespace
}  // namespace quorvel::win
