package pemu.tarvo.tools;

import static org.junit.jupiter.api.Assertions.*;

import org.junit.jupiter.api.Test;

/**
 * getGatewayMACAddress in the client namespace of the network that
 * tests/native/gateway-network builds; its addresses come from GATEWAY_TEST_*.
 * Each call's messages go to System.out, every one followed by the empty line
 * of its own "\n".
 */
class GatewayTest {
    private static final String EOL = System.lineSeparator();
    private static final String START = line("Start getGatewayMACAddress");

    private static String line(String message) {
        return message + "\n" + EOL;
    }

    private static String setting(String name) {
        String value = System.getenv(name);
        assertNotNull(value, name + " not set: run this test through gateway-network");
        return value;
    }

    /** The result ("null" for null) and then what was printed. */
    private static String[] discover(String source, String destination) {
        try (CapturedStream out = CapturedStream.out()) {
            String mac = TarvoUtils.getGatewayMACAddress(source, destination);
            return new String[] {String.valueOf(mac), out.text()};
        }
    }

    @Test
    void theGatewaysMacAddressForAFarDestination() {
        String far = setting("GATEWAY_TEST_FAR");
        assertArrayEquals(new String[] {setting("GATEWAY_TEST_MAC"), START}, discover(null, far));
        assertArrayEquals(new String[] {setting("GATEWAY_TEST_MAC"), START}, discover("192.0.2.10", far));
        assertArrayEquals(
            new String[] {setting("GATEWAY_TEST_MAC"), START + line("No valid source IP. Fallback to IP 0.")},
            discover("letters", far));
    }

    @Test
    void anOnLinkDestinationHasNoGateway() {
        assertArrayEquals(new String[] {"null", START + line("GetBestRoute wrong forward type: 3. Exit.")},
            discover(null, setting("GATEWAY_TEST_ON_LINK")));
    }

    @Test
    void aRoutedDestinationThatDoesNotAnswerFailsAtTheEcho() {
        // One drops the echo; for the other the gateway answers "unreachable",
        // which is no answer from the destination.
        for (String name : new String[] {"GATEWAY_TEST_SILENT", "GATEWAY_TEST_UNREACHABLE"}) {
            assertArrayEquals(new String[] {"null", START + line("ICMP echo error. Exit.")},
                discover(null, setting(name)), name);
        }
    }

    @Test
    void noIPv4DestinationEndsBeforeTheEcho() {
        assertArrayEquals(new String[] {"null", START + line("No destination IP given. Exit.")},
            discover("192.0.2.10", null));
        for (String destination : new String[] {"255.255.255.255", "2001:db8::1", "198.51.100.2\u00e9", "\ud800"}) {
            assertArrayEquals(new String[] {"null", START + line("No valid destination IP. Exit.")},
                discover(null, destination), destination);
        }
    }
}
