/* Machine-dependent JNI definitions for the Windows builds, used with the
 * JDK's own jni.h (the Linux JDK here ships only its Linux variant). A 32-bit
 * Windows Java runtime calls native methods and its function table with
 * __stdcall and finds them among the DLL's exports; on x64 the compiler
 * ignores __stdcall, there being one calling convention. */
#ifndef _JAVASOFT_JNI_MD_H_
#define _JAVASOFT_JNI_MD_H_

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

/* int and long are both 32 bits wide on both Windows architectures; int
 * keeps printf formats the same on every build. */
typedef int jint;
typedef long long jlong;
typedef signed char jbyte;

#endif /* !_JAVASOFT_JNI_MD_H_ */
