#ifndef UISTATUSINFORMATIONITEMTYPES_H
#define UISTATUSINFORMATIONITEMTYPES_H

// Makes the item and the list of items known to Qt's meta-type system and to
// Qt D-Bus. Within the library only UiStatusInformationItem.cpp makes their
// D-Bus marshalling functions, so the copies it exports are the library's own.
void registerUiStatusInformationItemTypes();

#endif // UISTATUSINFORMATIONITEMTYPES_H
