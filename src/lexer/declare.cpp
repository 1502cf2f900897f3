// The declarations of a Declare block: Number, String and Object variables. Each line is
// parsed whole before its name is tested and its record made, so a faulty line leaves nothing
// behind; an initialiser's value is taken now, in file order.
#include <algorithm>
#include <initializer_list>
#include <memory>

#include "exec/dispatch.h"
#include "host/engine.h"
#include "lexer/expect.h"
#include "lexer/tokens.h"

namespace {
// One parsed Number or String declaration: its name and its initialiser, if any.
struct Declaration {
    std::string strName;
    int32_t nInitCode = TK_END;  // TK_END: no initialiser
    std::string strInit;
};

// Reads NAME [ "=" VALUE ] to the end of the line, where VALUE is a token of one of the
// given codes, and tests the name for redefinition.
Declaration ReadDeclaration(CScriptEngine& engine, std::initializer_list<int32_t> validInits) {
    Declaration decl;
    decl.strName = ExpectToken(engine, TK_IDENT);
    std::string strText;
    int32_t nCode = engine.GetToken(nullptr, strText);
    if (nCode == TK_ASSIGN) {
        decl.nInitCode = engine.GetToken(nullptr, decl.strInit);
        if (std::ranges::find(validInits, decl.nInitCode) == validInits.end())
            engine.Raise(strText, ERR_INITIALIZER_EXPECTED);
    } else if (nCode != TK_END) {
        engine.Raise(strText, ERR_UNEXPECTED);
    }
    ExpectToken(engine, TK_END);
    if (engine.FindIdent(decl.strName) != nullptr) engine.Raise(decl.strName, ERR_REDEFINITION);
    return decl;
}

// The variable an initialiser names.
CScriptVar* FindInitializer(CScriptEngine& engine, const std::string& strName) {
    CScriptVar* pVar = engine.FindIdent(strName);
    if (pVar == nullptr) engine.Raise(strName, ERR_UNKNOWN_IDENT);
    return pVar;
}
}  // namespace

void CScriptEngine::DeclareNumber() {
    Declaration decl = ReadDeclaration(*this, {TK_NUMBER, TK_IDENT});
    auto pVar = std::make_unique<CScriptVar>(VAR_NUMBER);
    if (decl.nInitCode == TK_NUMBER) {
        pVar->SetNumberText(decl.strInit.c_str());
    } else if (decl.nInitCode == TK_IDENT) {
        pVar->SetNumber(FindInitializer(*this, decl.strInit)->GetNumber());
    }
    SetIdent(decl.strName, std::move(pVar));
}

void CScriptEngine::DeclareString() {
    Declaration decl = ReadDeclaration(*this, {TK_STRING, TK_IDENT, TK_NULL});
    auto pVar = std::make_unique<CScriptVar>(VAR_STRING);
    if (decl.nInitCode == TK_STRING) {
        pVar->SetString(decl.strInit.c_str());
    } else if (decl.nInitCode == TK_NULL) {
        pVar->SetString(nullptr);
    } else if (decl.nInitCode == TK_IDENT) {
        // A Null source gives a Null copy.
        pVar->SetString(FindInitializer(*this, decl.strInit)->GetString());
    }
    SetIdent(decl.strName, std::move(pVar));
}

void CScriptEngine::DeclareObject() {
    std::string strName = ExpectToken(*this, TK_IDENT);
    ExpectToken(*this, TK_LPAREN);
    std::string strProgId = ExpectToken(*this, TK_STRING);
    ExpectToken(*this, TK_RPAREN);
    ExpectToken(*this, TK_END);
    if (FindIdent(strName) != nullptr) Raise(strName, ERR_REDEFINITION);

    auto pVar = std::make_unique<CScriptVar>(VAR_OBJECT);
    if (!m_bFormOnly) {
        auto pDispatch = std::make_unique<CScriptDispatch>(this, strProgId.c_str());
        pVar->SetObject(pDispatch.release());
    }
    SetIdent(strName, std::move(pVar));
}
