// getGatewayMACAddress of pemu.tarvo.tools.TarvoUtils: the MAC address of the
// gateway towards a destination, with its messages on System.out.
#include "gateway.h"
#include "java_strings.h"
#include "tarvoUtils.h"

namespace {

// An argument that cannot be converted (its message is on System.err) can be
// no address: it goes on as an empty text, which no address parse accepts.
const char* addressArgument(JavaStrings* strings, jstring string) {
    const char* text = javaPlatformText(strings, string);
    if (string == nullptr || text != nullptr) return text;
    strings->failed = false;
    return "";
}

}  // namespace

extern "C" {

JNIEXPORT jstring JNICALL Java_pemu_tarvo_tools_TarvoUtils_getGatewayMACAddress(JNIEnv* env, jclass,
                                                                                jstring sourceIP,
                                                                                jstring destinationIP) {
    JavaStrings strings = beginJavaStrings(env);
    const char* source = addressArgument(&strings, sourceIP);
    const char* destination = addressArgument(&strings, destinationIP);
    char mac[GATEWAY_MAC_TEXT_CAPACITY];
    const bool found = findGatewayMacAddress(source, destination, mac);
    releaseJavaStrings(&strings);
    return found ? newJavaString(env, mac) : nullptr;
}

}  // extern "C"
