// Tests of the symbolic descriptions of COM status codes: spot checks against the SDK's values,
// the ranges at their edges, the severity and facility fallback, and the table's consistency.
#include "host/scode.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TEST(DescribeScode, GivesNameRangeOrSeverityAndFacility) {
    const struct {
        uint32_t sc;
        const char* pszExpected;
    } cases[] = {
        // the worked examples of each kind of description
        {0x80004005, "E_FAIL ($80004005)"},
        {0x80040175, "range: CACHE_E_FIRST...CACHE_E_LAST ($80040175)"},
        {0x800A0001, "severity: SEVERITY_ERROR, facility: <Unknown Facility> ($800A0001)"},
        {0x80070002, "severity: SEVERITY_ERROR, facility: FACILITY_WIN32 ($80070002)"},
        // names as the SDK defines them
        {0x00000000, "S_OK ($00000000)"},
        {0x80040140, "VIEW_E_DRAW ($80040140)"},
        {0x80020006, "DISP_E_UNKNOWNNAME ($80020006)"},
        {0x800401F3, "CO_E_CLASSSTRING ($800401F3)"},
        {0x8007000E, "E_OUTOFMEMORY ($8007000E)"},
        // a name wins over the range it lies in, also at the range's own bounds
        {0x80040170, "CACHE_E_NOCACHE_UPDATED ($80040170)"},
        {0x8004017F, "range: CACHE_E_FIRST...CACHE_E_LAST ($8004017F)"},
        {0x0004018F, "OLEOBJ_S_LAST ($0004018F)"},
        {0x00040110, "range: CLASSFACTORY_S_FIRST...CLASSFACTORY_S_LAST ($00040110)"},
        {0x800401FF, "range: CO_E_FIRST...CO_E_LAST ($800401FF)"},
        {0x80040200, "severity: SEVERITY_ERROR, facility: FACILITY_ITF ($80040200)"},
        {0x000401FF, "range: CO_S_FIRST...CO_S_LAST ($000401FF)"},
        {0x00040200, "severity: SEVERITY_SUCCESS, facility: FACILITY_ITF ($00040200)"},
        {0x800400FF, "range: OLE_E_FIRST...OLE_E_LAST ($800400FF)"},
        {0x8003FFFF, "severity: SEVERITY_ERROR, facility: FACILITY_STORAGE ($8003FFFF)"},
        // the facility is bits 16 to 28: the reserved bits 29 and 30 belong to neither field
        {0x00000002, "severity: SEVERITY_SUCCESS, facility: FACILITY_NULL ($00000002)"},
        {0x80017777, "severity: SEVERITY_ERROR, facility: FACILITY_RPC ($80017777)"},
        {0x00067777, "severity: SEVERITY_SUCCESS, facility: FACILITY_0x06 ($00067777)"},
        {0x80087777, "severity: SEVERITY_ERROR, facility: FACILITY_WINDOWS ($80087777)"},
        {0x80097777, "severity: SEVERITY_ERROR, facility: <Unknown Facility> ($80097777)"},
        {0x20070002, "severity: SEVERITY_SUCCESS, facility: FACILITY_WIN32 ($20070002)"},
        {0xC0080001, "severity: SEVERITY_ERROR, facility: FACILITY_WINDOWS ($C0080001)"},
        {0x7FFFFFFF, "severity: SEVERITY_SUCCESS, facility: <Unknown Facility> ($7FFFFFFF)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DescribeScode(static_cast<int32_t>(c.sc)), std::string(c.pszExpected));
}

TEST(DescribeScode, EveryNamedCodeIsUniqueAndDescribedByItsName) {
    EXPECT_EQ(ScodeNames().size(), 243u);
    std::set<uint32_t> codes;
    for (const ScodeName& entry : ScodeNames()) {
        EXPECT_TRUE(codes.insert(entry.sc).second) << entry.pszName;
        const std::string strText = DescribeScode(static_cast<int32_t>(entry.sc));
        EXPECT_EQ(strText.substr(0, strText.find(" ($")), entry.pszName);
    }
}

}  // namespace
