// Answers whether the VM running it meets one of the requirement alternatives
// <version>:<vendor>:<os> given as arguments: prints YES or NO and exits with
// 314 or 159. It must load and run on a Java 1.0 VM, so it uses only what the
// 1.0 class library has: no string +, no class literals, no boxing.
// Built at class-file version 45.3 by tools/classfile/make_class45.py.
class TvqVersion {
    public static void bail(String ret) {
        System.out.print(ret);
        System.out.print(System.getProperty("line.separator", "\n"));
        int value = 159;
        if (ret.equals("YES"))
            value = 314;
        System.exit(value);
    }

    public static void main(String[] a) {
        for (int i = 0; i < a.length; i++) {
            String alt = a[i];
            // An alternative with fewer than two ':' is malformed: it can
            // never be met, and an exception here would end the run with a
            // stack trace instead of an answer.
            int idx = alt.indexOf(':');
            if (idx < 0)
                continue;
            String ver = alt.substring(0, idx);
            idx++;
            int vidx = alt.indexOf(':', idx);
            if (vidx < 0)
                continue;
            String vend = alt.substring(idx, vidx);
            vidx++;
            String os = alt.substring(vidx, alt.length());

            if (ver.startsWith("1.1") || ver.startsWith("1.2")) {
                // The event classes arrived with 1.1; named by string only,
                // so verifying this class never needs them.
                Class c = null;
                try {
                    c = Class.forName("java.awt.event.ActionEvent");
                } catch (Throwable t) {
                }
                if (c == null)
                    continue;
            } else if (!ver.startsWith("1.0") && !ver.startsWith("A")) {
                continue;
            }

            if (!vend.equals("A")) {
                if (!System.getProperty("java.vendor", "").startsWith(vend))
                    continue;
            }
            if (!os.equals("A")) {
                if (!System.getProperty("os.name", "").startsWith(os))
                    continue;
            }
            bail("YES");
        }
        bail("NO");
    }

    TvqVersion() {
    }
}
