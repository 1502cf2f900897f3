// The classes of the sample automation server (libqjsample_server.so), as tests name them.
//
// "QJSample.Server" members, found by name without regard to case:
//   Number, String          read/write properties (a put converts to a number or a text)
//   LastCall                read-only: the latest invocation as "FLAGS Member(ARGS)"
//   ObjectCount             read-only: objects of the library alive now
//   Void0 ... Void15        methods taking exactly 0 ... 15 arguments, returning nothing
//   Sum(...), Concat(...)   0 to 15 arguments converted to numbers / texts: the sum / the text
//   ConcatNul(...)          like Concat, with a NUL between the texts (automation texts are
//                           counted, so a server may answer with one)
//   Raise([text]), RaiseLater()  raise an object exception; its description is the text, else
//                           "Sample failure"; RaiseLater's ("Deferred sample failure") is filled
//                           in only when the caller asks for it
// LastCall lists the arguments in script order, separated by ", ": I4:5, BSTR:"text",
// BSTR:null (a null string), or VT:n for another type.
//
// "QJSample.NoDispatch" is an object without a dispatch interface.
#pragma once

constexpr const char* SAMPLE_SERVER_PROGID = "QJSample.Server";
constexpr const char* SAMPLE_SERVER_CLSID = "{5A3C1E20-7B4D-4F6A-9C2E-1D8B0F3A6E51}";
constexpr const char* SAMPLE_NODISPATCH_PROGID = "QJSample.NoDispatch";
constexpr const char* SAMPLE_NODISPATCH_CLSID = "{5A3C1E21-7B4D-4F6A-9C2E-1D8B0F3A6E51}";
