#ifndef VANTELOTESTINGEXPORT_H
#define VANTELOTESTINGEXPORT_H

#include <QtCore/qglobal.h>

/**
 * \file VanteloTestingExport.h
 * The export macro of `libVanteloTesting.so.1`.
 */

/**
 * \def VANTELO_TESTING_EXPORT
 * Marks what `libVanteloTesting.so.1` exports: the library is built with
 * hidden visibility, so only what carries the macro can be used from
 * outside. It exports when the library itself is built
 * (`VANTELO_TESTING_LIBRARY` defined) and imports otherwise.
 */

#if defined(VANTELO_TESTING_LIBRARY)
#define VANTELO_TESTING_EXPORT Q_DECL_EXPORT
#else
#define VANTELO_TESTING_EXPORT Q_DECL_IMPORT
#endif

#endif // VANTELOTESTINGEXPORT_H
