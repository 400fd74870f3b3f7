// A stand-in for a real Java installer: it says hello and writes a marker
// file into the user's home folder, so that a run can be seen to have happened.
import java.io.FileOutputStream;

class HelloInstaller {
    public static void main(String[] args) throws Exception {
        System.out.println("HelloInstaller: running on Java " + System.getProperty("java.version"));
        String home = System.getProperty("user.home");
        FileOutputStream marker = new FileOutputStream(home + java.io.File.separator + "HelloInstaller.txt");
        marker.write("installed\r\n".getBytes("US-ASCII"));
        marker.close();
    }
}
