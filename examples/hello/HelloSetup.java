// A stand-in for a real installer jar, packed as scripts/demo does it:
//
//   wendle-pack build --jar hello-setup.jar --file terms.txt --requirement 8+:A:A ...
//
// It shows the two ways an installer reaches its files: welcome.txt is a
// resource inside its own jar, and terms.txt is packed beside the jar with
// --file, so it is found next to the jar, wherever the launcher put it
// (the current folder depends on the kind of VM). What it read goes to
// standard output and into a marker file, so that a run can be seen to have
// happened: the path in the environment variable HELLO_SETUP_MARKER, else
// HelloSetup.txt in the user's home folder.
package hello;

import java.io.ByteArrayOutputStream;
import java.io.File;
import java.io.FileInputStream;
import java.io.FileOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.nio.charset.StandardCharsets;

public class HelloSetup {
    public static void main(String[] args) throws Exception {
        File jar = new File(HelloSetup.class.getProtectionDomain().getCodeSource()
                .getLocation().toURI());
        String welcome;
        try (InputStream in = HelloSetup.class.getResourceAsStream("welcome.txt")) {
            welcome = firstLine(in);
        }
        String terms;
        try (InputStream in = new FileInputStream(new File(jar.getParentFile(), "terms.txt"))) {
            terms = firstLine(in);
        }
        String text = "HelloSetup ran on Java " + System.getProperty("java.version")
                + " from " + jar + "\n"
                + "welcome.txt, inside the jar: " + welcome + "\n"
                + "terms.txt, beside the jar: " + terms + "\n";

        String marker = System.getenv("HELLO_SETUP_MARKER");
        if (marker == null)
            marker = System.getProperty("user.home") + File.separator + "HelloSetup.txt";
        try (FileOutputStream out = new FileOutputStream(marker)) {
            out.write(text.getBytes(StandardCharsets.UTF_8));
        }
        System.out.print(text);
    }

    static String firstLine(InputStream in) throws IOException {
        ByteArrayOutputStream bytes = new ByteArrayOutputStream();
        for (int b = in.read(); b != -1 && b != '\n' && b != '\r'; b = in.read())
            bytes.write(b);
        return new String(bytes.toByteArray(), StandardCharsets.UTF_8);
    }
}
