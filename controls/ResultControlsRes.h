// Resource identifiers of the detail boards' dialog templates.
#pragma once

#define IDD_QF_CONTACTBOARD 3110
#define IDD_QF_MSGBOARD 3111
