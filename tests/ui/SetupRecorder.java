// The installer class of the end-to-end tests: records how the launcher ran
// it (class path, working directory, arguments, the files beside it) and
// ends.
//
// It runs in a Linux JVM behind java_bridge, so it sees Unix paths and the
// Unix environment of the Wine prefix, not the launcher's Windows one. The
// record goes to C:\wendle-installer-run.txt of that prefix, and paths on the
// prefix's C: drive are written as Windows paths so that the test can compare
// them with its own. Each run appends its lines and a closing "--".
import java.io.File;
import java.io.FileOutputStream;
import java.io.IOException;
import java.io.OutputStreamWriter;
import java.io.Writer;
import java.util.Arrays;

public class SetupRecorder {
    public static void main(String[] args) throws IOException {
        File driveC = new File(prefix(), "drive_c").getCanonicalFile();
        StringBuilder record = new StringBuilder();
        record.append("classpath=").append(windowsPath(System.getProperty("java.class.path"), driveC)).append('\n');
        record.append("cwd=").append(windowsPath(System.getProperty("user.dir"), driveC)).append('\n');
        record.append("args=").append(args.length).append('\n');
        for (int i = 0; i < args.length; i++)
            record.append("arg").append(i).append('=').append(args[i]).append('\n');
        String[] files = new File(System.getProperty("java.class.path")).list();
        if (files != null) {
            Arrays.sort(files);
            for (int i = 0; i < files.length; i++)
                record.append("file=").append(files[i]).append('\n');
        }
        record.append("--\n");
        Writer out = new OutputStreamWriter(
            new FileOutputStream(new File(driveC, "wendle-installer-run.txt"), true), "UTF-8");
        try {
            out.write(record.toString());
        } finally {
            out.close();
        }
    }

    private static String prefix() {
        String prefix = System.getenv("WINEPREFIX");
        if (prefix != null && prefix.length() > 0)
            return prefix;
        return System.getProperty("user.home") + "/.wine";
    }

    // C:\... for a path on the prefix's C: drive, Z:\... (Wine's drive for
    // the Unix root) for anything else.
    private static String windowsPath(String unixPath, File driveC) throws IOException {
        String path = new File(unixPath).getCanonicalPath();
        String root = driveC.getPath();
        String windows;
        if (path.equals(root))
            windows = "C:\\";
        else if (path.startsWith(root + "/"))
            windows = "C:" + path.substring(root.length());
        else
            windows = "Z:" + path;
        return windows.replace('/', '\\');
    }
}
