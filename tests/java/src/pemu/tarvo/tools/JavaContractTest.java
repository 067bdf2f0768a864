package pemu.tarvo.tools;

import static org.junit.jupiter.api.Assertions.*;

import org.junit.jupiter.api.Test;
import tarvo.probe.NativeProbe;

/** The fields and the constructor that the native code looks up by name and signature. */
class JavaContractTest {
    @Test
    void theMapFieldsAreMapsThatAcceptPut() {
        TarvoUtils utils = new TarvoUtils();
        assertTrue(NativeProbe.hasField(TarvoUtils.class, "edidMap", "Ljava/util/Map;"));
        assertTrue(NativeProbe.hasField(TarvoUtils.class, "currentUserGroups", "Ljava/util/Map;"));
        utils.currentUserGroups.put("S-1-5-32-544", "");
        utils.edidMap.put("1", new TarvoUtils.MonitorData(new byte[0], "adapter", "", ""));
        assertEquals("adapter", utils.edidMap.get("1").deviceString);
    }

    @Test
    void monitorDataHasTheConstructorTheNativeCodeCalls() {
        assertTrue(NativeProbe.hasMethod("pemu/tarvo/tools/TarvoUtils$MonitorData", "<init>",
                "([BLjava/lang/String;Ljava/lang/String;Ljava/lang/String;)V"));
        assertTrue(NativeProbe.hasMethod("java/util/Map", "put",
                "(Ljava/lang/Object;Ljava/lang/Object;)Ljava/lang/Object;"));
    }
}
