/* The talmeq library's log under a C host's control, part of the C
 * interface (talmeqC.h includes it). */
#ifndef TALMEQLOGC_H
#define TALMEQLOGC_H

#include <talmeq/talmeqC_export.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The library's log (two streams: "print", standard output by default, and
 * "file", talmeqAlgorithm.log in the working directory or the file that
 * TALMEQ_LOG_FILE names), controlled at run time from any thread. Texts are
 * UTF-8. An appender or callback that fails never ends the process: the
 * entry is dropped for it and counted. */
#define TALMEQ_LOG_PRINT 0
#define TALMEQ_LOG_FILE 1
#define TALMEQ_LOG_INFO 0  /* messages and failure records (the default) */
#define TALMEQ_LOG_ERROR 1 /* failure records only */
#define TALMEQ_LOG_OFF 2   /* nothing */

/* Drops the entries below `level` from `stream`; TALMEQ_LOG_OFF turns it off. */
TALMEQC_EXPORT int talmeq_setLogLevel(int stream, int level);

/* Receives every entry once, at `minimum` and above, whatever the streams'
 * levels: its level (TALMEQ_LOG_INFO or TALMEQ_LOG_ERROR), its text (valid
 * during the call) and `context`. It runs on the thread that logs. NULL
 * removes it. */
typedef void (*talmeq_log_callback)(int level, const char* text, void* context);
TALMEQC_EXPORT int talmeq_setLogCallback(talmeq_log_callback callback, void* context, int minimum);

/* Moves the file stream's default file into `folder` (UTF-8); NULL or ""
 * restores it. TALMEQ_EXCEPTION when the file cannot be opened there. */
TALMEQC_EXPORT int talmeq_setLogFolder(const char* folder);

/* The number of entries an appender or the callback failed to take. */
TALMEQC_EXPORT unsigned long long talmeq_logFailedWrites(void);

#ifdef __cplusplus
}
#endif

#endif /* TALMEQLOGC_H */
