// The installer class of the end-to-end tests, run by a Linux JVM behind
// vm_stub: it appends the names of the files beside it, one line a run, to
// C:\installer-run.txt of the Wine prefix; with a file "sleep" beside it,
// only after sleeping as many milliseconds as that file says.
import java.io.File;
import java.io.FileWriter;
import java.util.Arrays;

public class Installer {
    public static void main(String[] args) throws Exception {
        File dir = new File(System.getProperty("java.class.path")).getCanonicalFile();
        File sleep = new File(dir, "sleep");
        if (sleep.exists())
            Thread.sleep(Long.parseLong(new String(java.nio.file.Files.readAllBytes(sleep.toPath())).trim()));
        String[] files = dir.list();
        Arrays.sort(files);
        FileWriter record = new FileWriter(new File(System.getenv("WINEPREFIX"), "drive_c/installer-run.txt"), true);
        record.write(String.join(" ", files) + "\n");
        record.close();
    }
}
