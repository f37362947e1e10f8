// Command ids of the sector document's navigation, medium, sector range and search commands. Only #define lines:
// the application's resource script takes them through its resource.h, so the menu, the
// accelerators and the document's message map share one set of numbers.
#ifndef SEKTORLUPE_DISK_COMMANDS_H
#define SEKTORLUPE_DISK_COMMANDS_H

#define ID_NEXT_SECTOR                  32859
#define ID_PREV_SECTOR                  32860
#define ID_GOTO_SECTOR                  32861
#define ID_SELECT_DRIVE                 32862
#define ID_GOTO_CLUSTER                 32865
#define ID_SAVE_SECTORS                 32867
#define ID_LOAD_SECTORS                 32868
#define ID_GOTO_AREA                    32869
#define ID_SEARCH_SECTORS               32870
#define ID_CONTINUE_SEARCH              32871
#define ID_START_OPTIONS                32877
#define ID_LOAD_PARTITIONS              32878
#define ID_LOAD_IMAGE                   32879

#endif
