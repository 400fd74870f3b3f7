// A stand-in for a real Java installer: it says where it runs and leaves a
// marker file, so that a run can be seen to have happened. The marker goes to
// the path in the environment variable HELLO_SETUP_MARKER, else into the
// user's home folder.
import java.io.File;
import java.io.FileOutputStream;

class HelloSetup {
    public static void main(String[] args) throws Exception {
        String marker = System.getenv("HELLO_SETUP_MARKER");
        if (marker == null)
            marker = System.getProperty("user.home") + File.separator + "HelloSetup.txt";
        String text = "HelloSetup ran on Java " + System.getProperty("java.version")
                + " in " + System.getProperty("user.dir")
                + " with class path " + System.getProperty("java.class.path") + "\n";
        FileOutputStream out = new FileOutputStream(marker);
        out.write(text.getBytes("UTF-8"));
        out.close();
        System.out.print(text);
    }
}
