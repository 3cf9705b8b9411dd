#ifndef DBUSTOOLSEXPORT_H
#define DBUSTOOLSEXPORT_H

#include <QtCore/qglobal.h>

/**
 * \file DBusToolsExport.h
 * The export macro of `libVanteloDBusTools.so.1`.
 */

/**
 * \def VANTELO_DBUSTOOLS_EXPORT
 * Marks a class or function of `libVanteloDBusTools.so.1` that the library
 * exports: the library is built with hidden visibility, so only what carries
 * the macro can be used from outside. It exports when the library itself is
 * built (`VANTELO_DBUSTOOLS_LIBRARY` defined) and imports otherwise.
 */

#if defined(VANTELO_DBUSTOOLS_LIBRARY)
#define VANTELO_DBUSTOOLS_EXPORT Q_DECL_EXPORT
#else
#define VANTELO_DBUSTOOLS_EXPORT Q_DECL_IMPORT
#endif

#endif // DBUSTOOLSEXPORT_H
