package pemu.tarvo.demo;

import java.io.ByteArrayOutputStream;
import java.io.File;
import java.io.IOException;
import java.io.InputStream;
import java.io.Writer;
import java.net.InetAddress;
import java.net.ServerSocket;
import java.net.Socket;
import java.net.SocketTimeoutException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;

/**
 * A stand-in viewer for trying the launcher: it reports how it was started
 * (arguments, working directory, library path, the end of PATH) on standard
 * output, writes one line on standard error, and ends.
 *
 * With the system property "tarvo.demo.listen" (seconds) it first listens on
 * 127.0.0.1 the way the real viewer does: it publishes its port as
 * "remotePort" in "client.properties" of the ".tarvo" folder in the home
 * folder ($HOME), prints what each later launcher hands to it, and ends after
 * "TOFRONT" or when the time is up.
 *
 * With the system property "tarvo.demo.sender" it first does what a viewer
 * does when a study arrives (see DemoStudy), with "tarvo.demo.destination",
 * "tarvo.demo.senderHost" and "tarvo.demo.otherSender".
 */
public final class DemoViewer {
    private DemoViewer() {}

    public static void main(String[] args) {
        System.out.println("Tarvo demo viewer started");
        for (int i = 0; i < args.length; i++) {
            System.out.println("argument " + (i + 1) + ": " + args[i]);
        }
        System.out.println("working directory: " + System.getProperty("user.dir"));
        System.out.println("java.library.path: " + System.getProperty("java.library.path"));
        String path = System.getenv("PATH");
        String[] entries = path == null ? new String[0] : path.split(File.pathSeparator);
        System.out.println("last PATH entry: " + (entries.length == 0 ? "" : entries[entries.length - 1]));
        System.err.println("Tarvo demo viewer: this line went to standard error");
        String sender = System.getProperty("tarvo.demo.sender");
        if (sender != null) {
            DemoStudy.receive(sender, System.getProperty("tarvo.demo.destination"),
                    System.getProperty("tarvo.demo.senderHost"), System.getProperty("tarvo.demo.otherSender"));
            DemoStudy.reportHost();
        }
        String listen = System.getProperty("tarvo.demo.listen");
        if (listen != null) {
            try {
                listen(Integer.parseInt(listen.trim()));
            } catch (IOException | NumberFormatException e) {
                System.err.println("Tarvo demo viewer: cannot listen: " + e);
            }
        }
        System.out.println("Tarvo demo viewer ends");
    }

    private static void listen(int seconds) throws IOException {
        String home = System.getenv("HOME") != null ? System.getenv("HOME") : System.getProperty("user.home");
        File properties = new File(new File(home, ".tarvo"), "client.properties");
        properties.getParentFile().mkdirs();
        long deadline = System.currentTimeMillis() + seconds * 1000L;
        try (ServerSocket server = new ServerSocket(0, 8, InetAddress.getLoopbackAddress())) {
            try (Writer out = Files.newBufferedWriter(properties.toPath(), StandardCharsets.ISO_8859_1)) {
                out.write("remotePort=" + server.getLocalPort() + "\n");
            }
            System.out.println("listening on 127.0.0.1:" + server.getLocalPort() + ", published in " + properties);
            boolean front = false;
            while (!front && System.currentTimeMillis() < deadline) {
                server.setSoTimeout((int) Math.max(1, deadline - System.currentTimeMillis()));
                try (Socket peer = server.accept()) {
                    String message = readAll(peer.getInputStream());
                    System.out.println("received: " + message);
                    front = message.equals("TOFRONT");
                } catch (SocketTimeoutException e) {
                    break;
                }
            }
        } finally {
            properties.delete();
        }
    }

    private static String readAll(InputStream in) throws IOException {
        ByteArrayOutputStream bytes = new ByteArrayOutputStream();
        byte[] chunk = new byte[4096];
        for (int n; (n = in.read(chunk)) > 0;) bytes.write(chunk, 0, n);
        return new String(bytes.toByteArray(), StandardCharsets.ISO_8859_1);
    }
}
