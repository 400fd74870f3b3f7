// The installer class of the end-to-end tests, run by a Linux JVM behind
// vm_stub, straight or from a jar through the launcher's bootstrap: it
// appends the names of the files beside it, one line a run, to
// C:\installer-run.txt of the Wine prefix; from a jar, also its resource
// inside.txt, as the system class loader finds it, and the file data.txt
// beside the jar; then its arguments and the property wendle.test when it
// has them. With a file "sleep" beside it, it first sleeps as many
// milliseconds as that file says; with a file "exit", it ends with the status
// that file says.
import java.io.File;
import java.io.FileWriter;
import java.io.InputStream;
import java.nio.file.Files;
import java.util.Arrays;
import java.util.Scanner;

public class Installer {
    public static void main(String[] args) throws Exception {
        File path = new File(System.getProperty("java.class.path")).getCanonicalFile();
        File dir = path.isFile() ? path.getParentFile() : path;
        File sleep = new File(dir, "sleep");
        if (sleep.exists())
            Thread.sleep(Long.parseLong(new String(Files.readAllBytes(sleep.toPath())).trim()));
        String[] files = dir.list();
        Arrays.sort(files);
        String record = String.join(" ", files);
        InputStream inside = ClassLoader.getSystemResourceAsStream("inside.txt");
        if (inside != null)
            record += " | " + new Scanner(inside).nextLine() + " | " + new String(Files.readAllBytes(new File(dir, "data.txt").toPath()));
        if (args.length > 0)
            record += " | args " + String.join("|", args);
        if (System.getProperty("wendle.test") != null)
            record += " | wendle.test=" + System.getProperty("wendle.test");
        FileWriter out = new FileWriter(new File(System.getenv("WINEPREFIX"), "drive_c/installer-run.txt"), true);
        out.write(record + "\n");
        out.close();
        File exit = new File(dir, "exit");
        if (exit.exists())
            System.exit(Integer.parseInt(new String(Files.readAllBytes(exit.toPath())).trim()));
    }
}
