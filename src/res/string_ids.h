// Ids of the message strings, as plain definitions so that the resource compiler reads them
// too. The text of error code c is the string with id c + 2.
#pragma once

#define IDS_START_MESSAGE 101
#define IDS_END_MESSAGE 102
#define IDS_PARAMETER 103
#define IDS_SCRIPT_ERROR 104
#define IDS_RETURN_VALUE 106
#define IDS_SOURCE_NAME 57344
