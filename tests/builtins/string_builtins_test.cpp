// The string, conversion and path built-ins, and Exit, on their edge cases.
#include "builtins/string_builtins.h"

#include <gtest/gtest.h>

#include <climits>

#include "builtins/builtin_call.h"

namespace {

using StringBuiltinTest = BuiltinTest;

constexpr char kNullTextError[] = "'NULL-pointer' - Internal error";

TEST_F(StringBuiltinTest, NumberResults) {
    struct Case {
        const char* pszName;
        std::vector<ArgValue> args;
        int32_t nExpected;
    };
    const Case cases[] = {
        {"GetLenght", {T("")}, 0},
        {"GetLenght", {T("abc")}, 3},
        {"IsEmpty", {T("")}, 0},
        {"IsEmpty", {T("abc")}, 3},
        {"Compare", {T("a"), T("b")}, -1},
        {"Compare", {T("b"), T("a")}, 1},
        {"Compare", {T("abc"), T("abc")}, 0},
        {"Compare", {T("ab"), T("abc")}, -1},
        {"Compare", {T("abc"), T("ab")}, 1},
        {"Compare", {T("zz"), T("zzzzzzzzzz")}, -1},  // not the difference of the lengths
        {"Compare", {T("\xC8"), T("A")}, 1},          // bytes compare as unsigned values
        {"Compare", {T("A"), T("\xC8")}, -1},
        {"CompareNoCase", {T("ABC"), T("abc")}, 0},
        {"CompareNoCase", {T("Hello World"), T("hELLO wORLD")}, 0},
        {"Atoi", {T(" 12")}, 12},
        {"Atoi", {T("+42")}, 42},
        {"Atoi", {T("-42")}, -42},
        {"Atoi", {T("")}, 0},
        {"Atoi", {T("2147483647")}, INT32_MAX},
        {"Atoi", {T("-2147483648")}, INT32_MIN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        BuiltinResult result = Exec(c.pszName, c.args);
        EXPECT_EQ(result.nResult, c.nExpected);
        EXPECT_EQ(result.strResult, "");
    }
}

TEST_F(StringBuiltinTest, CompareNoCaseKeepsTheSignOfTheLowerCaseDifference) {
    EXPECT_LT(Exec("CompareNoCase", {T("a"), T("d")}).nResult, 0);
    EXPECT_GT(Exec("CompareNoCase", {T("D"), T("a")}).nResult, 0);
    EXPECT_LT(Exec("CompareNoCase", {T("ab"), T("ABC")}).nResult, 0);
    // Case is folded to lower case: the underscore sorts before every letter.
    EXPECT_LT(Exec("CompareNoCase", {T("_"), T("A")}).nResult, 0);
}

TEST_F(StringBuiltinTest, TextResults) {
    CScriptVar& path = StringVar("path", "D:\\dir\\file.txt");
    struct Case {
        const char* pszName;
        std::vector<ArgValue> args;
        const char* pszExpected;
    };
    const Case cases[] = {
        {"Itoa", {N(0)}, "0"},
        {"Itoa", {N(42)}, "42"},
        {"Itoa", {N(-42)}, "-42"},
        {"Itoa", {N(INT32_MIN)}, "-2147483648"},
        {"Itoa", {N(INT32_MAX)}, "2147483647"},
        {"GetFileName", {V(path)}, "file.txt"},
        {"GetPath", {V(path)}, "D:\\dir\\"},
        {"GetFileName", {Null()}, ""},
        {"GetPath", {Null()}, ""},
        {"StripCharLeft", {T("x.y.z"), T("."), N(2)}, "z"},
        {"StripCharRight", {T("x.y.z"), T("."), N(1)}, "x.y"},
        {"StripCharLeft", {Null(), T("."), N(1)}, ""},
        {"StripCharRight", {T("x.y.z"), Null(), N(1)}, "x.y.z"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        BuiltinResult result = Exec(c.pszName, c.args);
        EXPECT_EQ(result.strResult, c.pszExpected);
        EXPECT_EQ(result.nResult, 0);
    }
}

TEST_F(StringBuiltinTest, ErrorsOfTextsAndConversions) {
    CScriptVar& nullVar = StringVar("v", nullptr);
    struct Case {
        const char* pszName;
        std::vector<ArgValue> args;
        std::string strMessage;
        int nCode;
    };
    const Case cases[] = {
        {"GetLenght", {V(nullVar)}, kNullTextError, ERR_INTERNAL},
        {"IsEmpty", {Null()}, kNullTextError, ERR_INTERNAL},
        {"Compare", {Null(), T("a")}, kNullTextError, ERR_INTERNAL},
        {"Compare", {T("a"), Null()}, kNullTextError, ERR_INTERNAL},
        {"CompareNoCase", {Null(), T("a")}, kNullTextError, ERR_INTERNAL},
        {"CompareNoCase", {T("a"), Null()}, kNullTextError, ERR_INTERNAL},
        {"Atoi", {Null()}, kNullTextError, ERR_INTERNAL},
        {"Atoi", {T("12 ")}, "'12 ' - Error converting to numeric value", ERR_CONVERT_NUMBER},
        {"Atoi", {T("12abc")}, "'12abc' - Error converting to numeric value", ERR_CONVERT_NUMBER},
        {"Atoi", {T("+")}, "'+' - Error converting to numeric value", ERR_CONVERT_NUMBER},
        {"Atoi",
         {T("2147483648")},
         "'2147483648' - Error converting to numeric value",
         ERR_CONVERT_NUMBER},
        {"Atoi",
         {T("-2147483649")},
         "'-2147483649' - Error converting to numeric value",
         ERR_CONVERT_NUMBER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        EXPECT_EQ(ErrorOf(c.pszName, c.args), c.strMessage);
        EXPECT_EQ(m_engine.m_nError, c.nCode);
    }
}

TEST_F(StringBuiltinTest, ExitEndsWithoutMarkingAnError) {
    EXPECT_EQ(ErrorOf("Exit", {N(7)}), "Abort through exit call");
    EXPECT_EQ(m_engine.m_nError, ERR_EXIT);
    EXPECT_FALSE(m_engine.m_bError);
}

// The output built-ins change the variable of argument 1 in place.
TEST_F(StringBuiltinTest, OutputBuiltinsChangeTheVariable) {
    struct Case {
        const char* pszName;
        const char* pszBefore;
        std::vector<ArgValue> more;
        const char* pszAfter;
    };
    const Case cases[] = {
        {"Empty", "abc", {}, ""},
        {"Concat", "ab", {T("cd")}, "abcd"},
        {"Concat", "ab", {T("")}, "ab"},
        {"MakeUpper", "aBc1-z", {}, "ABC1-Z"},
        {"MakeLower", "aBc1-Z", {}, "abc1-z"},
        {"TrimLeft", " \t\n\v\f\rab c \t", {}, "ab c \t"},
        {"TrimRight", " \tab c \t\n\v\f\r", {}, " \tab c"},
        {"TrimLeft", " \t ", {}, ""},
        {"TrimRight", " \t ", {}, ""},
        {"TrimLeftStr", "xxyabcx", {T("xy")}, "abcx"},
        {"TrimLeftStr", "xxyabc", {T("")}, "xxyabc"},
        {"TrimLeftStr", "xxyabc", {Null()}, "xxyabc"},
        {"TrimLeftStr", "xyx", {T("xy")}, ""},
        {"TrimRightStr", "xabcyxx", {T("xy")}, "xabc"},
        {"TrimRightStr", "abcxy", {T("")}, "abcxy"},
        {"TrimRightStr", "abcxy", {Null()}, "abcxy"},
        {"TrimRightStr", "yxy", {T("xy")}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pszName) + " of " + c.pszBefore);
        CScriptVar& var = StringVar("s", c.pszBefore);
        std::vector<ArgValue> args{V(var)};
        args.insert(args.end(), c.more.begin(), c.more.end());
        BuiltinResult result = Exec(c.pszName, args);
        EXPECT_EQ(var.m_strValue, c.pszAfter);
        EXPECT_FALSE(var.m_bNull);
        EXPECT_EQ(result.strResult, "");
    }
}

TEST_F(StringBuiltinTest, ConcatAppendsAVariableToItself) {
    CScriptVar& var = StringVar("s", "ab");
    Exec("Concat", {V(var), V(var)});
    EXPECT_EQ(var.m_strValue, "abab");
}

TEST_F(StringBuiltinTest, NullVariablesStayNull) {
    for (const char* pszName : {"Empty", "MakeUpper", "MakeLower", "TrimLeft", "TrimRight"}) {
        CScriptVar& var = StringVar("v", nullptr);
        Exec(pszName, {V(var)});
        EXPECT_EQ(var.GetString(), nullptr) << pszName;
    }
    CScriptVar& var = StringVar("v", nullptr);
    Exec("Concat", {V(var), T("x")});
    EXPECT_EQ(var.GetString(), nullptr);
    Exec("TrimLeftStr", {V(var), T("x")});
    EXPECT_EQ(var.GetString(), nullptr);
}

TEST_F(StringBuiltinTest, ConcatOfNullLeavesTheVariableUnchanged) {
    CScriptVar& var = StringVar("s", "ab");
    EXPECT_EQ(ErrorOf("Concat", {V(var), Null()}), kNullTextError);
    EXPECT_EQ(var.m_strValue, "ab");
}

TEST(PathTextTest, FileNameAndDirectory) {
    struct Case {
        const char* pszPath;
        const char* pszFileName;
        const char* pszDirectory;
    };
    const Case cases[] = {
        {"D:\\dir\\file.txt", "file.txt", "D:\\dir\\"},
        {"file.txt", "file.txt", ""},
        {"D:\\dir\\", "", "D:\\dir\\"},
        {"\\", "", "\\"},
        {"", "", ""},
        {"a/b/c", "a/b/c", ""},  // a slash is no separator
        {"\\\\server\\share\\x", "x", "\\\\server\\share\\"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(text::FileNameOf(c.pszPath), c.pszFileName) << c.pszPath;
        EXPECT_EQ(text::DirectoryOf(c.pszPath), c.pszDirectory) << c.pszPath;
    }
}

TEST(StripCharTest, CutsAtTheNthOccurrence) {
    struct Case {
        const char* pszText;
        const char* pszSet;
        int32_t n;
        const char* pszLeft;
        const char* pszRight;
    };
    const Case cases[] = {
        {"x.y.z", ".", 1, "y.z", "x.y"},
        {"x.y.z", ".", 2, "z", "x"},
        {"x.y.z", ".", 5, "z", "x"},
        {"x.y.z", ".", 0, "x.y.z", "x.y.z"},
        {"x.y.z", ".", -1, "x.y.z", "x.y.z"},
        {"x.y.z", ".w", 1, "y.z", "x.y"},  // only the first character of the set counts
        {"x.y.z", "w.", 1, "x.y.z", "x.y.z"},
        {"x.y.z", "", 1, "x.y.z", "x.y.z"},
        {"x.y.z", "", 2, "x.y.z", "x.y.z"},
        {"x.y.z", nullptr, 1, "x.y.z", "x.y.z"},
        {nullptr, ".", 1, "", ""},
        {"", ".", 1, "", ""},
        {"..", ".", 1, ".", "."},
        {"a.", ".", 1, "", "a"},
        {".a", ".", 1, "a", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pszText ? c.pszText : "(null)") + " / " +
                     (c.pszSet ? c.pszSet : "(null)") + " / " + std::to_string(c.n));
        EXPECT_EQ(text::StripCharLeft(c.pszText, c.pszSet, c.n), c.pszLeft);
        EXPECT_EQ(text::StripCharRight(c.pszText, c.pszSet, c.n), c.pszRight);
    }
}

}  // namespace
