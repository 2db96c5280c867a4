#pragma once

#include <QString>
#include <QStringList>

namespace tessarovin
{

// Registers the external resource file beside the program, so that its assets appear under ":/".
class ResourceLoader
{
	private:
		const QStringList mResourceFiles;
		QStringList mRegisteredResources;

		ResourceLoader();
		~ResourceLoader();
		Q_DISABLE_COPY(ResourceLoader)

	public:
		static ResourceLoader& getInstance();

		void init();
		void shutdown();
};

} // namespace tessarovin
