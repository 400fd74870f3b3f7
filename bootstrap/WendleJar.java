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
// The publisher's JVM options (wendle-pack --jvm-option) reach this VM on
// its command line, which no class can read without java.management; they
// are read from the file WendleJvmOptions beside this class instead, which
// the launcher extracts with the rest, and go in front of -jar. This class's
// arguments go behind the jar.
//
// Compiled for Java 8 (javac --release 8); wendle-pack carries the class.
import java.io.File;
import java.io.IOException;
import java.nio.file.Files;
import java.security.CodeSource;
import java.util.ArrayList;
import java.util.List;

final class WendleJar {
    static final String JAR_NAME = "installer.jar";
    static final String OPTIONS_NAME = "WendleJvmOptions";
    static final int FAILED = 1;
    static final boolean WINDOWS = File.separatorChar == '\\';

    public static void main(String[] args) throws InterruptedException {
        File folder = folderOfThisClass();
        File java = javaOfThisVm();
        List<String> command = new ArrayList<String>();
        command.add(java.getPath());
        for (String option : words(readOptions(new File(folder, OPTIONS_NAME))))
            command.add(quoted(option));
        command.add("-jar");
        command.add(new File(folder, JAR_NAME).getPath());
        for (String arg : args)
            command.add(quoted(arg));
        Process installer = null;
        try {
            installer = new ProcessBuilder(command).inheritIO().start();
        } catch (IOException e) {
            fail("cannot start " + java + ": " + e.getMessage());
        }
        System.exit(installer.waitFor());
    }

    // The options as packed: one command line's text and its NUL; none
    // without the file.
    static String readOptions(File file) {
        if (!file.isFile())
            return "";
        try {
            return new String(Files.readAllBytes(file.toPath()), "US-ASCII").replace("\0", "");
        } catch (IOException e) {
            fail("cannot read " + file + ": " + e);
            return "";
        }
    }

    // A command line split as the Microsoft C run-time splits it: blanks
    // part words outside double quotes, and 2n backslashes in front of a
    // quote stand for n, 2n+1 for n and a literal quote.
    static List<String> words(String line) {
        List<String> words = new ArrayList<String>();
        StringBuilder word = null;
        boolean inQuotes = false;
        int backslashes = 0;
        for (char c : line.toCharArray()) {
            if (word == null && (c == ' ' || c == '\t'))
                continue;
            if (word == null)
                word = new StringBuilder();
            if (c == '\\') {
                ++backslashes;
                continue;
            }
            for (int k = 0; k < (c == '"' ? backslashes / 2 : backslashes); ++k)
                word.append('\\');
            if (c == '"' && backslashes % 2 == 0) {
                inQuotes = !inQuotes;
            } else if (!inQuotes && (c == ' ' || c == '\t')) {
                words.add(word.toString());
                word = null;
            } else {
                word.append(c);
            }
            backslashes = 0;
        }
        if (word != null) {
            for (int k = 0; k < backslashes; ++k)
                word.append('\\');
            words.add(word.toString());
        }
        return words;
    }

    // On Windows a process gets one command line, which ProcessBuilder joins
    // without escaping a quote inside a word; a word quoted here, as the
    // launcher's are, is passed on as it is. Elsewhere words travel apart.
    static String quoted(String word) {
        // The java launcher on Windows expands an unquoted * or ? into file names.
        if (!WINDOWS || (word.length() > 0 && word.indexOf(' ') < 0 && word.indexOf('\t') < 0
                         && word.indexOf('"') < 0 && word.indexOf('*') < 0 && word.indexOf('?') < 0))
            return word;
        StringBuilder out = new StringBuilder("\"");
        int backslashes = 0;
        for (char c : word.toCharArray()) {
            if (c == '\\') {
                ++backslashes;
                continue;
            }
            for (int k = 0; k < (c == '"' ? 2 * backslashes + 1 : backslashes); ++k)
                out.append('\\');
            backslashes = 0;
            out.append(c);
        }
        for (int k = 0; k < 2 * backslashes; ++k)
            out.append('\\');
        return out.append('"').toString();
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
