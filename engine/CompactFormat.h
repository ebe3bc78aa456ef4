#pragma once
// The fixed text of the compact layout, shared by the generator that writes it and the reader
// that checks it.
//
// A set of K modules (K = 1 when the source fits one module's line budget). Module 1: the
// header, Create_<stem>, Bytes_<stem>, the private dispatcher Parts, the decoder W, then
// groups and parts. Module k >= 2: a short header, the public entry <stem>_Parts<k> that
// module 1's dispatcher calls, W, then groups and parts. A part procedure holds up to 16 data
// lines of 500 bytes (16,000 characters of literals, the most a procedure may carry); a group
// calls up to 250 parts, ten calls a line, the line ending with DoEvents (LibreOffice hangs on
// a call that follows DoEvents on its line). Parts and groups are
// numbered across the whole set and Private, so every module of a set, and of another set,
// keeps them to itself. Every procedure takes (b, n, f): the byte array, the bytes in it so
// far, and the file number, 0 when the bytes stay in b.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quorvel::CompactFormat {

inline constexpr std::size_t kBytesPerLine = 500;
inline constexpr std::size_t kLinesPerPart = 16;
inline constexpr std::size_t kBytesPerPart = kBytesPerLine * kLinesPerPart;
inline constexpr std::size_t kPartsPerGroup = 250;
inline constexpr std::size_t kCallsPerLine = 10;
// A procedure's string literals stay at or below this many characters.
inline constexpr std::size_t kMaxProcedureLiterals = 16000;
static_assert(2 * kBytesPerPart <= kMaxProcedureLiterals);

inline constexpr std::string_view kParams = "(b() As Byte, n As Long, ByVal f As Integer)";
inline constexpr std::string_view kArgs = " b, n, f";

// Header of module 1 (line 2 declares the length; the Use lines name the stem).
inline constexpr std::string_view kConstOpen = " Const ";      // after the scope word
inline constexpr std::string_view kLengthSuffix = "_Length";
inline constexpr std::string_view kConstMiddle = " As Long = ";
inline constexpr std::string_view kUseBytesOpen = "' or:  b = Bytes_";
inline constexpr std::string_view kUseBytesClose = "( )   with   Dim b() As Byte";
// Header of module k >= 2.
inline constexpr std::string_view kSetLineOpen = "' Module ";
inline constexpr std::string_view kSetLineOf = " of ";
inline constexpr std::string_view kSetLineFor = " for Create_";
inline constexpr std::string_view kSetLineWith = ": import it with ";

// Create_<stem>( ): the target is emptied, then written line by line; an error closes it and
// goes on to the caller.
inline constexpr std::string_view kSubWord = " Sub ";
inline constexpr std::string_view kCreateName = "Create_";
inline constexpr std::string_view kCreateClose = "( )";
inline constexpr std::array<std::string_view, 2> kCreateHead = {
    "Dim f As Integer, b() As Byte, n As Long, e As Long, s As String, d As String", "f = FreeFile"};
inline constexpr std::string_view kOpenQuote = "Open \"";
inline constexpr std::string_view kEmptyTargetTail = "\" For Output As #f: Close #f";
inline constexpr std::string_view kOpenBinaryTail = "\" For Binary As #f";
inline constexpr std::array<std::string_view, 9> kCreateTail = {
    "On Error GoTo Failed", "Parts b, n, f", "Close #f", "Exit Sub", "Failed:",
    "e = Err.Number: s = Err.Source: d = Err.Description", "Close #f", "Err.Raise e, s, d", "End Sub"};

// Bytes_<stem>(): the bytes in a Byte array of its own, no file touched.
inline constexpr std::string_view kFunctionWord = " Function ";
inline constexpr std::string_view kBytesName = "Bytes_";
inline constexpr std::string_view kBytesClose = "() As Variant";
inline constexpr std::string_view kBytesDim = "Dim b() As Byte, n As Long";
inline constexpr std::string_view kReDimOpen = "ReDim b(0 To ";
inline constexpr std::string_view kReDimClose = " - 1)";
inline constexpr std::string_view kEmptyArray = "b = \"\"";  // ReDim b(0 To -1) fails
inline constexpr std::string_view kBytesCall = "Parts b, n, 0";
inline constexpr std::string_view kBytesReturn = " = b";  // after the function's name
inline constexpr std::string_view kEndFunction = "End Function";

// Procedure openings and calls.
inline constexpr std::string_view kPublicSub = "Public Sub ";
inline constexpr std::string_view kPrivateSub = "Private Sub ";
inline constexpr std::string_view kDispatcher = "Parts";
inline constexpr std::string_view kEntrySuffix = "_Parts";  // <stem>_Parts<k>
inline constexpr std::string_view kGroup = "Group";
inline constexpr std::string_view kPart = "Part";
inline constexpr std::string_view kCallSeparator = ": ";
inline constexpr std::string_view kCallEnd = ": DoEvents";
inline constexpr std::string_view kEndSub = "End Sub";

// The decoder: four digits a conversion (LibreOffice's Val keeps 16 bits), one Put a line.
inline constexpr std::string_view kDecoderOpen = "Private Sub W(b() As Byte, n As Long, ByVal f As Integer, s As String)";
inline constexpr std::array<std::string_view, 15> kDecoderBody = {
    "Dim i As Long, v As Long",
    "If f <> 0 Then",
    "n = 0",
    "ReDim b(0 To Len(s) \\ 2 - 1)",
    "End If",
    "For i = 1 To Len(s) - 3 Step 4",
    "v = Val(\"&H\" & Mid$(s, i, 4))",
    "b(n) = (v And 65280) \\ 256: b(n + 1) = v And 255: n = n + 2",
    "Next",
    "If Len(s) Mod 4 = 2 Then",
    "b(n) = Val(\"&H\" & Mid$(s, Len(s) - 1, 2))",
    "n = n + 1",
    "End If",
    "If f <> 0 Then Put #f, , b",
    "End Sub"};

// Data lines: W b,n,f,"<digits>", the last of a part followed by ": End Sub".
inline constexpr std::string_view kDataOpen = "W b,n,f,\"";
inline constexpr std::string_view kDataClose = "\"";
inline constexpr std::string_view kDataEndSub = "\": End Sub";
inline constexpr std::size_t kMaxDataLine = kDataOpen.size() + 2 * kBytesPerLine + kDataEndSub.size();
static_assert(kMaxDataLine <= 1023);

// Fixed line counts, for planning a set.
inline constexpr std::uint64_t kFirstHeaderLines = 10;
inline constexpr std::uint64_t kOtherHeaderLines = 7;
inline constexpr std::uint64_t kCreateLines = 1 + kCreateHead.size() + 2 + kCreateTail.size();
inline constexpr std::uint64_t kBytesLines = 6;
inline constexpr std::uint64_t kDecoderLines = 1 + kDecoderBody.size();

// The VB_Name of module k (k >= 2) of the set whose first module is `first`: "_k" appended,
// `first` cut so the name stays within 31 characters; never the first module's own name.
std::string SetModuleName(std::string_view first, std::int32_t k);

}  // namespace quorvel::CompactFormat
