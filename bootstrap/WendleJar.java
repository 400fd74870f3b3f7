// Starts an installer jar the way "java -jar installer.jar" would, for a
// launcher that can only run a class: wendle-pack packs this class as the
// installer class and the jar as "installer.jar" beside it.
//
// It runs "java -jar" on the jar, with the java of the VM that runs this
// class, and waits for it. No class loader made here can put the jar on the
// system class loader's class path, and installers and their toolkits call
// ClassLoader.getSystemResource, getSystemResourceAsStream and
// getSystemClassLoader().loadClass; so the jar runs under java -jar itself,
// with everything that comes with it: the manifest's Main-Class and
// Class-Path (and Launcher-Agent-Class, Add-Opens, SplashScreen-Image on the
// Java versions that know them), java.class.path naming the jar, the
// messages for a jar that cannot start. The jar shares this VM's current
// folder, standard input, output and error, and its exit status becomes
// this VM's. The price is a second VM, idle while the installer runs.
//
// Compiled for Java 8 (javac --release 8); wendle-pack carries the class.
import java.io.File;
import java.io.IOException;
import java.security.CodeSource;

final class WendleJar {
    static final String JAR_NAME = "installer.jar";
    static final int FAILED = 1;

    public static void main(String[] args) throws InterruptedException {
        File jar = new File(folderOfThisClass(), JAR_NAME);
        File java = javaOfThisVm();
        Process installer = null;
        try {
            installer = new ProcessBuilder(java.getPath(), "-jar", jar.getPath()).inheritIO().start();
        } catch (IOException e) {
            fail("cannot start " + java + ": " + e.getMessage());
        }
        System.exit(installer.waitFor());
    }

    // The folder the launcher extracted this class into; installer.jar and
    // the other packed files lie there too. Not the current folder: the
    // launcher changes it for some kinds of VM only.
    static File folderOfThisClass() {
        CodeSource source = WendleJar.class.getProtectionDomain().getCodeSource();
        if (source == null || source.getLocation() == null)
            fail("cannot tell the folder WendleJar.class was loaded from");
        try {
            File location = new File(source.getLocation().toURI());
            return location.isDirectory() ? location : location.getParentFile();
        } catch (Exception e) {
            fail("cannot tell the folder WendleJar.class was loaded from: " + e);
            return null;
        }
    }

    // The same Java that the launcher chose, never one that PATH names.
    static File javaOfThisVm() {
        File bin = new File(System.getProperty("java.home"), "bin");
        File windows = new File(bin, "java.exe");
        return windows.isFile() ? windows : new File(bin, "java");
    }

    static void fail(String message) {
        System.err.println("WendleJar: " + message);
        System.exit(FAILED);
    }

    private WendleJar() {
    }
}
