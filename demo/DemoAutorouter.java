// A sample autorouter service for the demo: a stand-in for the program that
// takes containers over in a real installation, not part of the product.
// It listens on 127.0.0.1 (port 7375 unless given), prints each request line
// it receives and, when a container is reported complete, lists the
// container's files with their first lines. It ends after the given number of
// seconds.
//   java DemoAutorouter.java SECONDS [PORT]
import java.io.BufferedReader;
import java.io.IOException;
import java.io.InputStreamReader;
import java.net.InetAddress;
import java.net.ServerSocket;
import java.net.Socket;
import java.net.SocketTimeoutException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.List;
import java.util.stream.Collectors;
import java.util.stream.Stream;

public final class DemoAutorouter {
    public static void main(String[] args) throws IOException {
        long deadline = System.currentTimeMillis() + Long.parseLong(args[0]) * 1000L;
        int port = args.length > 1 ? Integer.parseInt(args[1]) : 7375;
        try (ServerSocket server = new ServerSocket(port, 50, InetAddress.getLoopbackAddress())) {
            System.out.println("autorouter: listening on 127.0.0.1:" + port);
            while (System.currentTimeMillis() < deadline) {
                server.setSoTimeout((int) Math.max(1, deadline - System.currentTimeMillis()));
                try (Socket peer = server.accept()) {
                    peer.setSoTimeout(5000);
                    String line = new BufferedReader(
                            new InputStreamReader(peer.getInputStream(), StandardCharsets.UTF_8)).readLine();
                    if (line == null) continue;
                    System.out.println("autorouter: request " + line);
                    if (line.contains("&complete")) listContainer(line);
                } catch (SocketTimeoutException e) {
                    // the time is up, or a client sent nothing
                }
            }
        }
        System.out.println("autorouter: ends");
    }

    // The container is the folder above the data folder named by "doexec=".
    private static void listContainer(String line) throws IOException {
        int start = line.indexOf("doexec=");
        int end = line.indexOf('&', start);
        if (start < 0 || end < 0) return;
        String dataFolder = line.substring(start + 7, end);
        Path container = Paths.get(dataFolder).getParent();
        if (container == null || !Files.isDirectory(container)) return;
        System.out.println("autorouter: container " + container + " is complete:");
        try (Stream<Path> files = Files.walk(container)) {
            List<Path> regular = files.filter(Files::isRegularFile).sorted().collect(Collectors.toList());
            for (Path file : regular) {
                List<String> lines = Files.readAllLines(file, StandardCharsets.ISO_8859_1);
                String first = lines.isEmpty() ? "" : lines.get(0);
                System.out.println("autorouter:   " + container.relativize(file) + ": " + first);
            }
        }
    }
}
