package pemu.tarvo.demo;

import java.io.File;

/**
 * A stand-in viewer for trying the launcher: it reports how it was started
 * (arguments, working directory, library path, the end of PATH) on standard
 * output, writes one line on standard error, and ends.
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
        System.out.println("Tarvo demo viewer ends");
    }
}
