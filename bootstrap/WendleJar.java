// Starts an installer jar the way "java -jar installer.jar" would, for a
// launcher that can only run a class: wendle-pack packs this class as the
// installer class and the jar as "installer.jar" beside it.
//
// The jar becomes the class path of a loader of its own, so the installer's
// classes, their code source and the thread's context class loader are the
// jar's, as under java -jar. main gets no arguments, and the installer's
// exit status passes through: when main returns, this class does not exit,
// so that a Swing installer runs on and the VM ends as java -jar's would.
//
// A jar that is missing, unreadable or lacks a Main-Class ends the VM with
// one line on standard error and exit status 1, the status java -jar gives
// for the same faults.
//
// Compiled for Java 8 (javac --release 8); wendle-pack carries the class.
import java.io.File;
import java.io.IOException;
import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.net.URL;
import java.net.URLClassLoader;
import java.security.CodeSource;
import java.util.jar.Attributes;
import java.util.jar.JarFile;
import java.util.jar.Manifest;

final class WendleJar {
    static final String JAR_NAME = "installer.jar";
    static final int FAILED = 1;

    public static void main(String[] args) throws Throwable {
        File jar = new File(folderOfThisClass(), JAR_NAME);
        if (!jar.isFile())
            fail("no " + JAR_NAME + " in " + jar.getParent());
        String mainClassName = mainClassOf(jar);

        ClassLoader loader = new URLClassLoader(new URL[] {jar.toURI().toURL()},
                ClassLoader.getSystemClassLoader().getParent());
        Thread.currentThread().setContextClassLoader(loader);
        System.setProperty("java.class.path", jar.getPath());

        Method main = mainMethodOf(loader, mainClassName, jar);
        try {
            main.invoke(null, (Object) new String[0]);
        } catch (InvocationTargetException e) {
            // As under java -jar: the VM prints the installer's own
            // exception and ends with status 1.
            throw e.getCause();
        }
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

    static String mainClassOf(File jar) {
        Manifest manifest;
        try (JarFile file = new JarFile(jar)) {
            manifest = file.getManifest();
        } catch (IOException e) {
            fail(jar + " is not a readable jar: " + e.getMessage());
            return null;
        }
        String name = manifest == null ? null
                : manifest.getMainAttributes().getValue(Attributes.Name.MAIN_CLASS);
        if (name == null || name.trim().isEmpty())
            fail(jar + " has no Main-Class in its manifest");
        // java -jar accepts the class name with '/' too.
        return name.trim().replace('/', '.');
    }

    static Method mainMethodOf(ClassLoader loader, String className, File jar) {
        Class<?> mainClass;
        try {
            mainClass = Class.forName(className, false, loader);
        } catch (ClassNotFoundException | LinkageError e) {
            fail("cannot load the Main-Class " + className + " of " + jar + ": " + e);
            return null;
        }
        Method main = null;
        try {
            main = mainClass.getMethod("main", String[].class);
        } catch (NoSuchMethodException e) {
            // reported below
        }
        if (main == null || !Modifier.isStatic(main.getModifiers())
                || main.getReturnType() != void.class)
            fail("the Main-Class " + className + " of " + jar
                    + " has no public static void main(String[])");
        // java -jar runs main in a class that is not public too.
        main.setAccessible(true);
        return main;
    }

    static void fail(String message) {
        System.err.println("WendleJar: " + message);
        System.exit(FAILED);
    }

    private WendleJar() {
    }
}
