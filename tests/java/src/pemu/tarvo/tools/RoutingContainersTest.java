package pemu.tarvo.tools;

import static org.junit.jupiter.api.Assertions.*;

import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.net.InetAddress;
import java.net.ServerSocket;
import java.net.Socket;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.HashSet;
import java.util.List;
import java.util.Set;
import java.util.TreeSet;
import java.util.concurrent.BlockingQueue;
import java.util.concurrent.ConcurrentLinkedQueue;
import java.util.concurrent.LinkedBlockingQueue;
import java.util.concurrent.TimeUnit;
import java.util.stream.Collectors;
import java.util.stream.Stream;

import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * The routing methods that make containers, in a real JVM against the run's
 * PostgreSQL server (databases of tests/fixtures/routing-db, reached over the
 * server's Unix socket) and an autorouter stand-in on the service's own port
 * 7375. ctest runs this class in a network namespace of its own, so the port
 * is free, and names the installation home (TARVO) and the server's state
 * folder (TARVO_TEST_POSTGRES).
 */
class RoutingContainersTest {
    private static final int AUTOROUTER_PORT = 7375;
    private static final long PID = ProcessHandle.current().pid();

    private final Path home = Paths.get(System.getenv("TARVO"));
    private final Path state = Paths.get(System.getenv("TARVO_TEST_POSTGRES"));
    @TempDir Path containers;
    private ServerSocket autorouter;
    private Thread service;
    private final BlockingQueue<String> requests = new LinkedBlockingQueue<>();

    @BeforeEach
    void setUp() throws IOException {
        configure("");
        listen();
    }

    @AfterEach
    void stop() throws IOException, InterruptedException {
        closeService();
        Files.deleteIfExists(home.resolve("conf").resolve("routing.conf"));
    }

    private String stateOf(String name) throws IOException {
        return new String(Files.readAllBytes(state.resolve(name)), StandardCharsets.UTF_8).trim();
    }

    private void configure(String lines) throws IOException {
        Files.createDirectories(home.resolve("conf"));
        String text = "DB_NAME = routing\nDB_HOST = " + stateOf("cluster") + "\nDB_PORT = " + stateOf("port")
                + "\nCONTAINER_DIR = " + containers + "\n" + lines;
        Files.write(home.resolve("conf").resolve("routing.conf"), text.getBytes(StandardCharsets.UTF_8));
    }

    /** The stand-in service: takes every connection and keeps what was sent. */
    private void listen() throws IOException {
        autorouter = new ServerSocket(AUTOROUTER_PORT, 512, InetAddress.getLoopbackAddress());
        service = new Thread(() -> {
            try {
                while (true) {
                    try (Socket peer = autorouter.accept()) {
                        peer.setSoTimeout(5000);
                        requests.add(readAll(peer.getInputStream()));
                    }
                }
            } catch (IOException closed) {
                // the test is over
            }
        });
        service.setDaemon(true);
        service.start();
    }

    /**
     * Closes the stand-in and waits for its thread: a socket closed while a
     * thread accepts on it is released only when that thread has left the
     * accept, and the next test binds the same port.
     */
    private void closeService() throws IOException, InterruptedException {
        autorouter.close();
        service.join(10000);
    }

    private static String readAll(InputStream in) throws IOException {
        ByteArrayOutputStream bytes = new ByteArrayOutputStream();
        byte[] chunk = new byte[4096];
        for (int n; (n = in.read(chunk)) > 0;) bytes.write(chunk, 0, n);
        return new String(bytes.toByteArray(), StandardCharsets.UTF_8);
    }

    private String nextRequest() throws InterruptedException {
        String request = requests.poll(5, TimeUnit.SECONDS);
        assertNotNull(request, "no request reached the autorouter");
        return request;
    }

    /** One value of a statement run by psql as the database's owner. */
    private String query(String statement) throws IOException, InterruptedException {
        ProcessBuilder command = new ProcessBuilder("psql", "-X", "-A", "-t", "-h", stateOf("cluster"), "-p",
                stateOf("port"), "-U", "tarvo", "-d", "routing", "-c", statement).redirectErrorStream(true);
        command.environment().put("PGCLIENTENCODING", "UTF8");
        Process psql = command.start();
        String out = readAll(psql.getInputStream());
        assertTrue(psql.waitFor(30, TimeUnit.SECONDS));
        return out.endsWith("\n") ? out.substring(0, out.length() - 1) : out;
    }

    private static String read(Path file) throws IOException {
        return new String(Files.readAllBytes(file), StandardCharsets.UTF_8);
    }

    private static Set<String> filesOf(Path directory) throws IOException {
        try (Stream<Path> files = Files.list(directory)) {
            return files.map(f -> f.getFileName().toString()).collect(Collectors.toCollection(TreeSet::new));
        }
    }

    @Test
    void senderContainerHoldsEveryFileOfItsSource() throws Exception {
        configure("WRITE_IMPORTINFO = on\n");
        String data = TarvoUtils.getAutorouterContainer("FULL", "D", "H");
        assertNotNull(data);
        Path directory = Paths.get(data).getParent();
        String name = directory.getFileName().toString();
        assertEquals(containers, directory.getParent());
        assertTrue(name.matches("200\\.3\\.30\\." + PID + "\\.[0-9]+\\.[0-9]+"), name);
        assertEquals("data", Paths.get(data).getFileName().toString());
        assertEquals("GET /?doexec=" + data + "&init HTTP/1.1\n", nextRequest());

        assertEquals(new TreeSet<>(Arrays.asList("rules.db", "2001_import.db", "2001_archiveinfo", "2002_archiveinfo",
                "2004_import.db", "2005_import.db", "2005_archiveinfo", "workingtimes.db", "sourcedata.db", "data")),
                filesOf(directory));
        assertEquals("2001\tIMPORT\t-v\t3\t10\tf\t0\t0\t7\t600\t2\tt\t100\t3600\t\n"
                + "2002\tARCHIVE_ONLY\t\t1\t0\tf\t\t\t\t0\t1\tf\t\t\t\n"
                + "2003\tARCHIVE_ONLY\t\t1\t0\tf\t0\t0\t\t0\t1\tf\t0\t0\t\n"
                + "2004\tstaging_only\t\t1\t0\tt\t0\t0\t8\t0\t1\tf\t0\t0\t\n"
                + "2005\tIMPORT\tarchive_only\t1\t0\tf\t0\t0\t9\t0\t1\tf\t0\t0\t\n"
                + "2006\tFORWARD\tGrüße\t1\t0\tf\t0\t0\t\t0\t1\tf\t0\t0\t\n", read(directory.resolve("rules.db")));
        assertEquals("7\tpacs\tpacs2\tf\tCT\tstore\t\t73\t2001\t\t\t\t1\t\n"
                + "7\tpacs\tpacs1\tt\tCT\tmove\t10\t72\t2001\t/arch/b\t3\tLRCP\t1\t\n"
                + "7\tpacs\tpacs1\tf\tMR\tmove\t10\t71\t2001\t/arch/a\t3\tLRCP\t2\t\n",
                read(directory.resolve("2001_import.db")));
        assertEquals("1\tDICOM\tPACS Nord\n2\tFILE\tArchiv Süd\n", read(directory.resolve("2001_archiveinfo")));
        assertEquals("3\tDICOM\t\n", read(directory.resolve("2002_archiveinfo")));
        assertEquals("8\tris\tris1\tf\tUS\tstore\t5\t81\t2004\t/arch/u\t1\tRLCP\t1\t\n",
                read(directory.resolve("2004_import.db")));
        assertEquals("9\tp9\th9\tf\tXA\tmove\t1\t91\t2005\t/x\t1\tLRCP\t1\t\n",
                read(directory.resolve("2005_import.db")));
        assertEquals("1\tDICOM\tPACS Nord\n", read(directory.resolve("2005_archiveinfo")));
        assertEquals("07:00:00\t12:00:00\t\n13:00:00\t18:30:00\t\n", read(directory.resolve("workingtimes.db")));
        assertEquals("D\nFULL\nH\n", read(directory.resolve("sourcedata.db")));
        assertEquals(new TreeSet<>(Arrays.asList("dbImport.info")), filesOf(Paths.get(data)));
        String importInfo = read(Paths.get(data).resolve("dbImport.info"));
        assertTrue(importInfo.matches("SQL_STUDY: insert into studysource \\(tarvooid, parentoid, destination, sender, "
                + "senderhost\\) values \\('0x[0-9a-f]{8}\\." + PID + "\\.[0-9]+\\.[0-9]+','%s','D','FULL','H'\\);\n"),
                importInfo);
        assertEquals("newcontainer\tFULL\tD\tH",
                query("SELECT message FROM log WHERE logsource = 'LIBROUTING' AND container = '" + name + "'"));

        TarvoUtils.signalAutorouter(null, 0, data, null, 1);
        assertEquals("GET /?doexec=" + data + "&complete HTTP/1.1\n", nextRequest());
        assertEquals("completed\n", read(directory.resolve("stateinfo")));
    }

    @Test
    void sourceIdsComeInMatchOrder() throws IOException {
        assertArrayEquals(new String[] {"101", "103", "104", "102", "105"},
                TarvoUtils.getAutorouterContainerSourceIds("SPEC", "DEST", "HOST"));
        assertArrayEquals(new String[0], TarvoUtils.getAutorouterContainerSourceIds("NOBODY", null, null));
        assertEquals("101", TarvoUtils.getAutorouterContainerSourceId("SPEC", "DEST", "HOST"));
        assertEquals("160", TarvoUtils.getAutorouterContainerSourceId("O'Brien CT", null, null));
        assertEquals("170", TarvoUtils.getAutorouterContainerSourceId("Grüße CT", "", null));
        assertNull(TarvoUtils.getAutorouterContainerSourceId(null, null, null));
        assertNull(TarvoUtils.getAutorouterContainer(null, null, null));
        assertTrue(requests.isEmpty(), "nothing was created");

        Files.write(home.resolve("conf").resolve("routing.conf"),
                ("DB_HOST = 127.0.0.1\nDB_PORT = 1\nCONTAINER_DIR = " + containers + "\n")
                        .getBytes(StandardCharsets.UTF_8));
        assertNull(TarvoUtils.getAutorouterContainerSourceIds("SPEC", "DEST", "HOST"), "server down");
        assertNull(TarvoUtils.getAutorouterContainerSourceId("SPEC", "DEST", "HOST"));
    }

    @Test
    void sourceIdContainersAndTheirUpdate() throws Exception {
        String inactive = TarvoUtils.getAutorouterContainer(120);
        Path directory = Paths.get(inactive).getParent();
        String name = directory.getFileName().toString();
        assertTrue(name.startsWith("120.9.0." + PID + "."), "an inactive source, timeout 0: " + name);
        assertEquals("\n\n\n", read(directory.resolve("sourcedata.db")));
        assertEquals("newcontainer\t\t\t", query("SELECT message FROM log WHERE container = '" + name + "'"));
        assertEquals("GET /?doexec=" + inactive + "&init HTTP/1.1\n", nextRequest());

        assertTrue(TarvoUtils.updateAutorouterContainerSourceData(inactive, "Grüße", "A\tB", "h"));
        assertEquals("A\tB\nGrüße\nh\n", read(directory.resolve("sourcedata.db")));
        assertEquals("newcontainer\tGrüße\tA|B\th",
                query("SELECT message FROM log WHERE container = '" + name + "'"));
        assertFalse(TarvoUtils.updateAutorouterContainerSourceData(null, "S", "D", "H"));

        String unlogged = TarvoUtils.getAutorouterContainer(150, false);
        String unloggedName = Paths.get(unlogged).getParent().getFileName().toString();
        assertEquals("0", query("SELECT count(*) FROM log WHERE container = '" + unloggedName + "'"));
        assertTrue(Files.isDirectory(Paths.get(unlogged)));

        String given = TarvoUtils.getAutorouterContainer(150, "S", "D", "H");
        String givenName = Paths.get(given).getParent().getFileName().toString();
        assertEquals("newcontainer\tS\tD\tH", query("SELECT message FROM log WHERE container = '" + givenName + "'"));
        assertNull(TarvoUtils.getAutorouterContainer(999999), "no such source");
    }

    @Test
    void failuresGiveNullButTheUnannouncedContainerIsKept() throws IOException, InterruptedException {
        configure("DISK_FREE_SIZE_MB = 2000000000\n");
        assertNull(TarvoUtils.getAutorouterContainer("FULL", "D", "H"), "disk below the hard limit");
        assertNull(TarvoUtils.getAutorouterContainerSourceId("FULL", "D", "H"));
        try (Stream<Path> made = Files.list(containers)) {
            assertEquals(0, made.count());
        }

        configure("");
        closeService();
        String data = TarvoUtils.getAutorouterContainer("FULL", "D", "H");
        assertNotNull(data, "the service down");
        assertTrue(Files.isDirectory(Paths.get(data)));
    }

    @Test
    void sixteenThreadsMakeThreeHundredTwentyDistinctContainers() throws Exception {
        ConcurrentLinkedQueue<String> made = new ConcurrentLinkedQueue<>();
        List<Thread> threads = new ArrayList<>();
        for (int t = 0; t < 16; t++) {
            Thread thread = new Thread(() -> {
                for (int i = 0; i < 20; i++) {
                    made.add(String.valueOf(TarvoUtils.getAutorouterContainer("HOSTLESS", "D", null)));
                }
            });
            threads.add(thread);
            thread.start();
        }
        for (Thread thread : threads) thread.join(120_000);
        Set<String> paths = new HashSet<>(made);
        assertEquals(320, made.size());
        assertEquals(320, paths.size(), "distinct containers");
        assertFalse(paths.contains("null"));
        for (String path : paths) assertTrue(Files.isDirectory(Paths.get(path)), path);

        Set<String> expected = new HashSet<>();
        for (String path : paths) expected.add("GET /?doexec=" + path + "&init HTTP/1.1\n");
        Set<String> received = new HashSet<>();
        for (int i = 0; i < 320; i++) received.add(nextRequest());
        assertEquals(expected, received);
        assertEquals("320", query("SELECT count(DISTINCT container) FROM log WHERE container LIKE '140.4.0." + PID
                + ".%' AND message = 'newcontainer\tHOSTLESS\tD\t'"));
    }
}
