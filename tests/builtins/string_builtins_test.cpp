// The string, conversion and path built-ins, and Exit, on their edge cases.
#include <gtest/gtest.h>

#include <climits>

#include "builtins/builtin_call.h"

namespace {

using StringBuiltinTest = BuiltinTest;

constexpr char kNullTextError[] = "'NULL-pointer' - Internal error";

TEST_F(StringBuiltinTest, NumberAndTextResults) {
    CScriptVar& path = StringVar("path", "D:\\dir\\file.txt");
    const struct {
        const char* pszName;
        std::vector<ArgValue> args;
        int32_t nResult;
        const char* pszResult;
    } kCases[] = {
        {"GetLenght", {T("abc")}, 3, ""},
        {"IsEmpty", {T("")}, 0, ""},
        {"Compare", {T("ab"), T("abc")}, -1, ""},
        {"Compare", {T("zz"), T("zzzzzz")}, -1, ""},  // not the difference of the lengths
        {"Compare", {T("\xC8"), T("A")}, 1, ""},      // bytes compare as unsigned values
        {"Compare", {T("abc"), T("abc")}, 0, ""},
        {"CompareNoCase", {T("Hello World"), T("hELLO wORLD")}, 0, ""},
        {"Atoi", {T(" -2147483648")}, INT32_MIN, ""},
        {"Atoi", {T("")}, 0, ""},
        {"Itoa", {N(INT32_MIN)}, 0, "-2147483648"},
        // paths: only a backslash separates
        {"GetFileName", {V(path)}, 0, "file.txt"},
        {"GetPath", {V(path)}, 0, "D:\\dir\\"},
        {"GetFileName", {T("a/b")}, 0, "a/b"},
        {"GetPath", {T("a/b")}, 0, ""},
        {"GetFileName", {T("\\\\srv\\")}, 0, ""},
        {"GetPath", {Null()}, 0, ""},
        // cuts after the n-th first character of the set from the start, or before it from the end
        {"StripCharLeft", {T("x.y.z"), T(".w"), N(1)}, 0, "y.z"},
        {"StripCharRight", {T("x.y.z"), T(".w"), N(1)}, 0, "x.y"},
        {"StripCharLeft", {T("x.y.z"), T("."), N(5)}, 0, "z"},
        {"StripCharRight", {T("x.y.z"), T("."), N(5)}, 0, "x"},
        {"StripCharLeft", {T(".a"), T("."), N(1)}, 0, "a"},
        {"StripCharRight", {T(".a"), T("."), N(1)}, 0, ""},
        {"StripCharLeft", {T("x.y"), T("w."), N(1)}, 0, "x.y"},
        {"StripCharRight", {T("x.y"), T(""), N(2)}, 0, "x.y"},
        {"StripCharLeft", {T("x.y"), Null(), N(1)}, 0, "x.y"},
        {"StripCharRight", {T("x.y"), T("."), N(0)}, 0, "x.y"},
        {"StripCharRight", {Null(), T("."), N(1)}, 0, ""},
    };
    for (const auto& c : kCases) {
        BuiltinResult result = Exec(c.pszName, c.args);
        EXPECT_EQ(result.nResult, c.nResult) << c.pszName;
        EXPECT_EQ(result.strResult, c.pszResult) << c.pszName << " giving " << c.pszResult;
    }
    // Case is folded to lower case: the underscore sorts before every letter.
    EXPECT_LT(Exec("CompareNoCase", {T("_"), T("A")}).nResult, 0);
    EXPECT_GT(Exec("CompareNoCase", {T("D"), T("abc")}).nResult, 0);
}

TEST_F(StringBuiltinTest, NullWhereATextIsRequiredBadNumbersAndExitAreErrors) {
    const struct {
        const char* pszName;
        std::vector<ArgValue> args;
        std::string strMessage;
    } kCases[] = {
        {"GetLenght", {Null()}, kNullTextError},
        {"Compare", {Null(), T("a")}, kNullTextError},
        {"Compare", {T("a"), Null()}, kNullTextError},
        {"CompareNoCase", {Null(), T("a")}, kNullTextError},
        {"CompareNoCase", {T("a"), Null()}, kNullTextError},
        {"Atoi", {Null()}, kNullTextError},
        {"Atoi", {T("12 ")}, "'12 ' - Error converting to numeric value"},
        {"Atoi", {T("2147483648")}, "'2147483648' - Error converting to numeric value"},
    };
    for (const auto& c : kCases) EXPECT_EQ(ErrorOf(c.pszName, c.args), c.strMessage) << c.pszName;
    CScriptVar& var = StringVar("s", "ab");
    EXPECT_EQ(ErrorOf("Concat", {V(var), Null()}), kNullTextError);
    EXPECT_EQ(var.m_strValue, "ab");
    // Exit ends without marking an error.
    m_engine.m_bError = false;
    EXPECT_EQ(ErrorOf("Exit", {N(7)}), "Abort through exit call");
    EXPECT_EQ(m_engine.m_nError, ERR_EXIT);
    EXPECT_FALSE(m_engine.m_bError);
}

// The output built-ins change the variable of argument 1 in place, and a Null stays Null.
TEST_F(StringBuiltinTest, OutputBuiltinsChangeTheVariable) {
    const struct {
        const char* pszName;
        const char* pszBefore;
        std::vector<ArgValue> more;
        const char* pszAfter;
    } kCases[] = {
        {"Empty", "abc", {}, ""},
        {"Concat", "ab", {T("cd")}, "abcd"},
        {"MakeUpper", "aBc1-z", {}, "ABC1-Z"},
        {"MakeLower", "aBc1-Z", {}, "abc1-z"},
        {"TrimLeft", " \t\n\v\f\rab c \t", {}, "ab c \t"},
        {"TrimRight", " \tab c \t\n\v\f\r", {}, " \tab c"},
        {"TrimLeftStr", "xxyabcx", {T("xy")}, "abcx"},
        {"TrimLeftStr", "xyx", {T("xy")}, ""},
        {"TrimLeftStr", "xxyabc", {Null()}, "xxyabc"},
        {"TrimRightStr", "xabcyxx", {T("xy")}, "xabc"},
        {"TrimRightStr", "yxy", {T("xy")}, ""},
        {"TrimRightStr", "abcxy", {T("")}, "abcxy"},
    };
    for (const auto& c : kCases) {
        for (bool bNull : {false, true}) {
            CScriptVar& var = StringVar("s", c.pszBefore);
            if (bNull) var.SetString(nullptr);
            std::vector<ArgValue> args{V(var)};
            args.insert(args.end(), c.more.begin(), c.more.end());
            Exec(c.pszName, args);
            EXPECT_EQ(var.m_strValue, c.pszAfter) << c.pszName << " of " << c.pszBefore;
            EXPECT_EQ(var.m_bNull, bNull) << c.pszName << " of " << c.pszBefore;
        }
    }
    // A variable appended to itself: the argument is the variable's own text, which the
    // append outgrows.
    CScriptVar& var = StringVar("s", "0123456789");
    Exec("Concat", {V(var), V(var)});
    EXPECT_EQ(var.m_strValue, "01234567890123456789");
}

}  // namespace
